// The GIF, AVI and animated WebP branch of the capture cycle: every capture becomes
// a frame of one animation; frames are written at once ("Save each image
// separately") or gathered until the animation holds its set number of frames, then
// written as one GIF, AVI or (full colour) WebP file.
//
// Each step comes in two parts: its preparation on the user-interface thread, which
// takes the name of the file the step completes (the counter is the window's), and
// the work it returns, which makes the frame and writes the file on any thread.
// Between the two nothing else may use the animation.
#pragma once

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "capture/full_colour_animation.h"
#include "capture/output_names.h"
#include "formats/gif/gif_image.h"
#include "image/bitmap.h"
#include "options/options.h"
#include "options/texts.h"

namespace snaprill {

class Animation {
 public:
  // The capture becomes a frame of the animation its options ask for; when the
  // frame completes one, the file's name is taken now. The work adds the frame and
  // writes that file. The frames are gone after a write, whether it succeeded or
  // not; a failed AVI write gives no path but aviNotWritten, with the key of its
  // box's text, a failed GIF or WebP write throws. Either way the name's number
  // stays taken (the caller gives it back). Throws FileError when the folder of a
  // GIF or WebP file cannot be made, the frames then gone.
  WriteWork prepareFrame(Bitmap capture, std::shared_ptr<const Options> options,
                         OutputNames& names);
  // The frames still waiting as one file under the next name, the animation they
  // were gathered for whatever the settings say now: a GIF, an AVI or a WebP of
  // fewer frames (WebP first, when both wait: pendingFrameIndex() then still says
  // that frames wait). Empty when none wait; fails as prepareFrame does.
  WriteWork prepareWaitingFrames(const Options& options, OutputNames& names);
  // Every frame still waiting, written now; the outcome is the last file's, with
  // the text of the AVI writer's box. Throws what the GIF and WebP writers throw. A
  // file not written leaves the counter where it was.
  WriteOutcome flushPending(const Options& options, OutputNames& names, const Texts& texts);

  // The index of the last frame waiting for more, or -1 when none waits.
  int pendingFrameIndex() const {
    return std::max(pendingFrameIndex_, fullColour_.pendingFrameIndex());
  }
  const GifImage& frames() const { return frames_; }

 private:
  // The name of the file the waiting frames (of WebP, or else of GIF or AVI) are to
  // become, taken now, and the work that writes them there. Without one, the frames
  // go and the work tells why.
  WriteWork named(bool fullColour, const Options& options, OutputNames& names,
                  std::function<WriteOutcome(const std::string& path)> write);
  void dropFrames(bool fullColour);
  // The work's parts: the capture as a GIF frame, and with a path the file it
  // completes; the gathered frames as one GIF or AVI file.
  WriteOutcome addGifFrame(const Bitmap& capture, const Options& options,
                           const std::optional<std::string>& path);
  WriteOutcome writeFrames(bool asAvi, bool merge, const std::string& path);

  GifImage frames_;
  int pendingFrameIndex_ = -1;
  bool framesForAvi_ = false;  // the waiting frames are to be an AVI file
  FullColourAnimation fullColour_;
};

}  // namespace snaprill
