#include "platform/own_pictures.h"

namespace snaprill {

OwnPictures::OwnPictures(std::unique_ptr<Timer> later, const Clock& clock)
    : tracker_(*this, std::move(later), clock) {}

void OwnPictures::hold(Bitmap picture, const CaptureSource& source) {
  if (picture.empty()) return;
  const bool replaced = tracker_.ready();
  waiting_ = std::move(picture);
  tracker_.offerOwn(source);
  if (replaced) tracker_.tellLost(LostReason::Replaced);
}

TakenPicture OwnPictures::takeOffered(ArrivingRows*) {
  TakenPicture taken{std::move(waiting_)};
  waiting_ = Bitmap();
  tracker_.giveUp();
  return taken;
}

}  // namespace snaprill
