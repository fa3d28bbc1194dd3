// What every clipboard watcher keeps of the offer on its clipboard, and how it
// hands the offer's picture to the capture cycle: one state machine for the X11
// watcher, the Wayland data-control one, Qt's clipboard elsewhere, and the
// program's own pictures of the screen.
//
//   offered   a picture is offered and not given up; its data may be on its way
//   ready     its data is here: the cycle is told once the event loop is free (never
//             from inside a call of the program's own), and asks for it as soon as
//             it takes pictures
//   unread    not handed over yet: an offer that takes its place is a lost capture
//   given up  the offer failed, was emptied, or was not saved: it no longer counts,
//             and is not taken again by itself, until another offer comes
//
// The watcher reads the transfer and decodes; the tracker decides when a picture
// goes, makes the Capture value (with where the picture came from, and the way
// back to the watcher once the capture is settled), and tells the cycle of offers
// lost on the way.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/capture_sink.h"
#include "platform/clipboard.h"
#include "platform/services.h"

namespace snaprill {

class OfferTracker : public PictureSource {
 public:
  // What the tracker asks of the watcher that owns it.
  class Watcher {
   public:
    virtual ~Watcher() = default;
    // The offered picture (its lower rows still arriving into it when `rows` is
    // given), or why there is none; the watcher gives the offer up then. The watcher
    // notes which offer it handed over, for settleTaken().
    virtual TakenPicture takeOffered(ArrivingRows* rows) = 0;
    // After the capture of the offer handed over last: `gone` (saved, or dropped
    // with no number left) empties it from the clipboard, else it stays there, given
    // up. An offer that came since stays as it is either way. Not called for a
    // capture whose offer was followed by another handed over.
    virtual void settleTaken(bool gone) = 0;
    // Empties the clipboard.
    virtual void emptyClipboard() = 0;
    // At start-up: true when the watcher empties the offer later itself, once its
    // owner has said what it offers (the start does not wait for a slow owner).
    virtual bool dropStartOfferLater() { return false; }
  };

  // `watcher` outlives the tracker; `later` tells the sink once the event loop is
  // free; the clock stamps the offers of other programs.
  OfferTracker(Watcher& watcher, std::unique_ptr<Timer> later, const Clock& clock);

  bool offered() const { return offered_; }
  bool ready() const { return offered_ && ready_; }
  bool unread() const { return unread_; }

  // The watcher follows an offer from here on: whether it is a picture, and whether
  // it is the same offer as before (whose giving up then stands). The picture comes
  // from `source`; by default another program's, copied now. Returns whether the
  // offer counts: its data is to be read.
  bool follow(bool picture, bool sameOffer, std::optional<CaptureSource> source = std::nullopt);
  // The offer's data is here.
  void dataArrived();
  // Our own picture, offered and here at once.
  void offerOwn(const CaptureSource& source);
  // The offer no longer counts; the clipboard stays as it is.
  void giveUp();
  // Gives the offer up and tells the sink why.
  void lost(LostReason why);
  // Tells the sink of a loss without touching the offer followed now (the one lost
  // was replaced by it, or is gone).
  void tellLost(LostReason why);
  // Tells the sink once the event loop is free, when the picture is here.
  void tellWhenReady();

  // PictureSource
  bool holdsPicture() const override { return offered_; }
  bool handOver(bool rowsMayArrive) override;
  void drop() override;
  void dropStartPicture() override;

 private:
  Watcher& watcher_;
  std::unique_ptr<Timer> later_;
  const Clock& clock_;
  CaptureSource source_;
  bool offered_ = false;
  bool ready_ = false;
  bool givenUp_ = false;
  bool unread_ = false;
  bool tellQueued_ = false;
  std::uint64_t handedOver_ = 0;  // offers handed over so far
};

}  // namespace snaprill
