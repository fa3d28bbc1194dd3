// Pictures the program took itself (its own Print Screen, hotkeys and automation
// where the system puts nothing on the clipboard for it, snaprill --capture), held
// for the capture cycle as a clipboard holds an offer, but never put on, nor
// emptied from, the system's clipboard: one at a time (a newer one takes the place
// of one not yet taken, which is reported lost as replaced, so that the
// automation's pictures never pile up in memory while an animation is written),
// told to the cycle once the event loop is free, never from inside the call that
// took it, and dropped by a resume that empties the clipboard.
#pragma once

#include <memory>

#include "platform/offer_tracker.h"

namespace snaprill {

class OwnPictures : private OfferTracker::Watcher {
 public:
  OwnPictures(std::unique_ptr<Timer> later, const Clock& clock);

  // The capture cycle's side.
  PictureSource& pictures() { return tracker_; }
  // A picture for the cycle; an empty one is dropped.
  void hold(Bitmap picture, const CaptureSource& source);
  // A picture of ours that could not be had: reported lost, for this reason (while
  // the cycle takes pictures). One held meanwhile stays.
  void lose(LostReason why) { tracker_.tellLost(why); }

 private:
  TakenPicture takeOffered(ArrivingRows* rows) override;
  // Not on any clipboard: a picture that could not be saved is not taken again.
  void settleTaken(bool) override {}
  void emptyClipboard() override { waiting_ = Bitmap(); }

  OfferTracker tracker_;
  Bitmap waiting_;
};

}  // namespace snaprill
