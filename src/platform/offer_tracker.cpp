#include "platform/offer_tracker.h"

namespace snaprill {

OfferTracker::OfferTracker(Watcher& watcher, std::unique_ptr<Timer> later, const Clock& clock)
    : watcher_(watcher), later_(std::move(later)), clock_(clock) {
  later_->setEnabled(false);
  later_->setInterval(0);
  later_->setHandler([this] {
    later_->setEnabled(false);
    tellQueued_ = false;
    if (ready() && sink() != nullptr) sink()->pictureReady();
  });
}

bool OfferTracker::follow(bool picture, bool sameOffer, std::optional<CaptureSource> source) {
  if (!sameOffer) givenUp_ = false;
  source_ = source ? *source : CaptureSource{CaptureOrigin::Clipboard, clock_.instant(), {}};
  ready_ = false;
  offered_ = picture && !givenUp_;
  unread_ = offered_;
  return offered_;
}

void OfferTracker::dataArrived() {
  ready_ = true;
  tellWhenReady();
}

void OfferTracker::offerOwn(const CaptureSource& source) {
  follow(true, false, source);
  dataArrived();
}

void OfferTracker::giveUp() {
  givenUp_ = true;
  offered_ = false;
  ready_ = false;
  unread_ = false;
}

void OfferTracker::lost(LostReason why) {
  giveUp();
  tellLost(why);
}

void OfferTracker::tellLost(LostReason why) {
  if (sink() != nullptr) sink()->offerLost(why);
}

void OfferTracker::tellWhenReady() {
  if (!ready() || tellQueued_) return;
  tellQueued_ = true;
  later_->setEnabled(true);
}

bool OfferTracker::handOver(bool rowsMayArrive) {
  if (!ready() || sink() == nullptr) return false;
  unread_ = false;
  ready_ = false;
  Capture capture;
  capture.source = source_;
  auto rows = rowsMayArrive ? std::make_unique<ArrivingRows>() : nullptr;
  try {
    TakenPicture taken = watcher_.takeOffered(rows.get());
    capture.picture = std::move(taken.picture);
    capture.whyNone = taken.lost;
  } catch (...) {
    // Nothing could be had (memory, a picture too large): as for a picture not
    // saved, the offer stays on the clipboard and is not taken again.
    capture.picture = Bitmap();
    capture.whyNone = LostReason::Unreadable;
    watcher_.settleTaken(false);
    rows.reset();
  }
  if (!capture.picture.empty()) {
    capture.rows = std::move(rows);
    // The watcher keeps a note of the offer handed over last. With captures written
    // one after the other, a capture may be settled after the next offer was handed
    // over: its own offer is gone from the clipboard then, and the note is the
    // next capture's, to be settled by that capture alone.
    capture.settle = [this, handed = ++handedOver_](bool gone) {
      if (handed == handedOver_) watcher_.settleTaken(gone);
    };
  }
  sink()->submit(std::move(capture));
  return true;
}

void OfferTracker::drop() {
  watcher_.emptyClipboard();
  // The cycle must not see the same picture again, whenever the news of our own
  // change arrives.
  giveUp();
}

void OfferTracker::dropStartPicture() {
  if (watcher_.dropStartOfferLater()) return;
  if (holdsPicture()) drop();
}

}  // namespace snaprill
