// How pictures reach the capture cycle. A source (a clipboard watcher, the
// program's own pictures of the screen) holds its picture until the cycle can take
// it: it says that one is ready, and the cycle, whenever it takes pictures (at
// once, after the capture it is writing, at a resume), asks each source in turn to
// hand over what it holds. The source then submits the picture as a Capture value.
// Nothing asks a source on a timer; everything runs on the user-interface thread.
#pragma once

#include "platform/capture.h"

namespace snaprill {

class CaptureSink {
 public:
  virtual ~CaptureSink() = default;
  // A source holds a picture it can hand over: the sink asks for it now, or once it
  // takes pictures again.
  virtual void pictureReady() = 0;
  // The one way in for a picture: saved, settled with its source, and reported.
  virtual void submit(Capture capture) = 0;
  // A picture offered was given up before it was handed over (its owner never sent
  // it, went away, or another offer replaced it). Its source is left as it was.
  virtual void offerLost(LostReason why) = 0;
};

class PictureSource {
 public:
  virtual ~PictureSource() = default;

  // The one sink, or nullptr for none.
  void setSink(CaptureSink* sink) { sink_ = sink; }

  // Whether a picture is held, its data here or still on its way. Answered from
  // kept state, without asking anyone.
  virtual bool holdsPicture() const = 0;
  // Submits the picture held to the sink when it is here and not handed over yet;
  // whether it did. With `rowsMayArrive` the picture may be submitted while its
  // lower rows are still being decoded.
  virtual bool handOver(bool rowsMayArrive) = 0;
  // Drops the picture held; a clipboard's offer is emptied from the clipboard.
  virtual void drop() = 0;
  // At start-up: drops a picture held; one whose owner has yet to say what it
  // offers is dropped once that is known, if it is a picture.
  virtual void dropStartPicture() {
    if (holdsPicture()) drop();
  }

 protected:
  CaptureSink* sink() const { return sink_; }

 private:
  CaptureSink* sink_ = nullptr;
};

}  // namespace snaprill
