// The clipboard as the capture sees it: a source of pictures that tells its
// listener when a picture is here to take, and when an offered one was given up.
// Nothing asks it on a timer: the listener takes the picture when it is told, or,
// when it could not then (paused, still writing the one before), once it can.
#pragma once

#include "image/arriving_rows.h"
#include "image/bitmap.h"

namespace snaprill {

// Why an offered picture could not be had.
enum class LostOffer {
  NotSent,    // its owner did not send it within the time allowed
  OwnerQuit,  // its owner went away before it had sent it all
  Refused,    // its owner would not send it
  Damaged,    // what was sent does not make a picture
  TooLarge,   // bigger than a picture may be here
  Replaced,   // another offer took its place before it was read
  // A picture of the screen the program took itself (screen_grabber.h):
  ScreenNotOffered,  // the desktop offers no way to take one
  ScreenRefused,     // the desktop refused, or the user it asked
  ScreenCancelled,   // cancelled (the user closed the desktop's question, or the
                     // desktop could not take it: KWin without drawing)
  ScreenTimedOut,    // no answer within the time allowed
  ScreenUnreadable,  // what came makes no picture
  ScreenBusy,        // the picture before was still being taken
};

// What taking the offered picture gives: the picture, or why there is none.
struct TakenPicture {
  Bitmap picture;  // 32 bits per pixel; empty when none could be had
  LostOffer lost = LostOffer::Damaged;
};

// Told by the clipboard, on the user-interface thread.
class PictureListener {
 public:
  virtual ~PictureListener() = default;
  // A picture is offered and here: take() hands it over at once.
  virtual void pictureArrived() = 0;
  // An offered picture was given up before anyone took it (its owner never sent it,
  // or went away meanwhile, or another offer replaced it). The clipboard is left as
  // it was.
  virtual void offerLost(LostOffer why) = 0;
};

class Clipboard {
 public:
  virtual ~Clipboard() = default;

  // The one listener, or nullptr for none.
  void setListener(PictureListener* listener) { listener_ = listener; }

  // Whether a picture is offered; its data may still be on its way. Answered from
  // state kept current by change notifications, without asking anyone.
  virtual bool hasPicture() const = 0;
  // Whether the offered picture is here and not taken yet: for a listener that could
  // not take it when it was told.
  virtual bool pictureReady() const { return hasPicture(); }
  // The offered picture, or why there is none (that offer then no longer counts as
  // offered). Either way it is not handed over again, and the clipboard is left as
  // it was: after a picture, clearTaken() or leaveOffer() tells how its capture went.
  // With `rows`, a picture may be handed over while its lower rows are still being
  // decoded: `rows` then tells which are there, and whether they all make the
  // picture. Only the JPEG writer takes a picture that way.
  virtual TakenPicture take(ArrivingRows* rows = nullptr) = 0;
  // After take(), the picture was saved: its offer is emptied from the clipboard. An
  // offer that came since (the next screenshot, while that one was written) stays.
  virtual void clearTaken() { clear(); }
  // After take(), the picture was not saved (its rows turned out damaged, its file
  // could not be written): the offer stays on the clipboard as it was, for the user
  // to paste elsewhere, and no longer counts as offered, so it is not taken again
  // by itself. An offer that came since is left alone.
  virtual void leaveOffer() {}
  // Empties the clipboard.
  virtual void clear() = 0;
  // Empties the clipboard if it holds a picture at start-up; one whose owner has yet
  // to say what it offers is emptied once that is known, if it is a picture.
  virtual void clearStartPicture() {
    if (hasPicture()) clear();
  }
  // Whether an offer that carries plain text too counts as a picture. Office programs
  // offer copied cells or rich text together with a picture of it: by default such
  // an offer is the user's text and is left alone.
  virtual void setTakePicturesWithText(bool take) { (void)take; }
  // Offers a picture of our own, as the system does on Print Screen: other programs
  // may paste it, and take() hands it back without any conversion.
  virtual void offer(Bitmap picture) = 0;

 protected:
  void tellArrived() {
    if (listener_) listener_->pictureArrived();
  }
  void tellLost(LostOffer why) {
    if (listener_) listener_->offerLost(why);
  }

 private:
  PictureListener* listener_ = nullptr;
};

}  // namespace snaprill
