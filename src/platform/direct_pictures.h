// The clipboard as the capture cycle sees it, with a side entrance: pictures the
// program took itself (a Wayland session, where no system Print Screen fills the
// clipboard for it, and a program in the background may not set it) go to the
// cycle without passing through the system's clipboard, ahead of anything offered
// there. Such a picture is never put on, nor cleared from, the system's clipboard,
// unless it is to be offered there too and that clipboard serves our offers to
// other programs: then it goes the way the system's Print Screen puts a picture,
// onto the clipboard, and the cycle takes it from there, once.
#pragma once

#include <memory>
#include <optional>

#include "platform/clipboard.h"
#include "platform/services.h"

namespace snaprill {

class DirectPictures : public Clipboard, private PictureListener {
 public:
  // `clipboard` outlives this; the timer tells the listener of a delivered picture
  // once the event loop is free, never from inside the call that delivered it.
  // `clipboardServesOthers`: other programs may paste what we offer there (not so
  // on GNOME, where a program in the background may not set the clipboard).
  DirectPictures(Clipboard& clipboard, std::unique_ptr<Timer> later,
                 bool clipboardServesOthers = false);
  ~DirectPictures() override;
  DirectPictures(const DirectPictures&) = delete;
  DirectPictures& operator=(const DirectPictures&) = delete;

  // A picture for the cycle; an empty one is dropped. One still waiting to be taken
  // is replaced, and reported lost as replaced. With `alsoOnClipboard`, where the
  // clipboard serves others, the picture is offered there instead, and the cycle
  // takes it as it takes the system's Print Screen.
  void deliver(Bitmap picture, bool alsoOnClipboard = false);
  // A picture of ours that could not be had: reported lost, for this reason.
  void lose(LostOffer why) { tellLost(why); }

  bool hasPicture() const override;
  bool pictureReady() const override;
  TakenPicture take(ArrivingRows* rows = nullptr) override;
  void clearTaken() override;
  void leaveOffer() override;
  void clear() override;
  void clearStartPicture() override { clipboard_.clearStartPicture(); }
  void setTakePicturesWithText(bool take) override { clipboard_.setTakePicturesWithText(take); }
  void offer(Bitmap picture) override { clipboard_.offer(std::move(picture)); }

 private:
  void pictureArrived() override { tellArrived(); }
  void offerLost(LostOffer why) override { tellLost(why); }

  Clipboard& clipboard_;
  std::unique_ptr<Timer> later_;
  bool clipboardServesOthers_;
  std::optional<Bitmap> waiting_;
  bool tookOwn_ = false;  // whether the last take() handed over one of ours
};

}  // namespace snaprill
