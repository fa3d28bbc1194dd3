#include "platform/direct_pictures.h"

namespace snaprill {

DirectPictures::DirectPictures(Clipboard& clipboard, std::unique_ptr<Timer> later)
    : clipboard_(clipboard), later_(std::move(later)) {
  later_->setEnabled(false);
  later_->setInterval(0);
  later_->setHandler([this] {
    later_->setEnabled(false);
    if (!waiting_.empty()) tellArrived();
  });
  clipboard_.setListener(this);
}

DirectPictures::~DirectPictures() {
  clipboard_.setListener(nullptr);
}

void DirectPictures::deliver(Bitmap picture) {
  if (picture.empty()) return;
  waiting_.push_back(std::move(picture));
  later_->setEnabled(true);
}

bool DirectPictures::hasPicture() const {
  return !waiting_.empty() || clipboard_.hasPicture();
}

bool DirectPictures::pictureReady() const {
  return !waiting_.empty() || clipboard_.pictureReady();
}

TakenPicture DirectPictures::take(ArrivingRows* rows) {
  tookOwn_ = !waiting_.empty();
  if (!tookOwn_) return clipboard_.take(rows);
  TakenPicture taken{std::move(waiting_.front())};
  waiting_.pop_front();
  return taken;
}

void DirectPictures::clearTaken() {
  if (!tookOwn_) clipboard_.clearTaken();
}

void DirectPictures::leaveOffer() {
  // A picture of ours that could not be saved was never on the clipboard: there is
  // nothing to leave there, and it is not taken again.
  if (!tookOwn_) clipboard_.leaveOffer();
}

void DirectPictures::clear() {
  waiting_.clear();
  clipboard_.clear();
}

}  // namespace snaprill
