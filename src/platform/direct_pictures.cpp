#include "platform/direct_pictures.h"

namespace snaprill {

DirectPictures::DirectPictures(Clipboard& clipboard, std::unique_ptr<Timer> later,
                               bool clipboardServesOthers)
    : clipboard_(clipboard),
      later_(std::move(later)),
      clipboardServesOthers_(clipboardServesOthers) {
  later_->setEnabled(false);
  later_->setInterval(0);
  later_->setHandler([this] {
    later_->setEnabled(false);
    if (waiting_) tellArrived();
  });
  clipboard_.setListener(this);
}

DirectPictures::~DirectPictures() {
  clipboard_.setListener(nullptr);
}

void DirectPictures::deliver(Bitmap picture, bool alsoOnClipboard) {
  if (picture.empty()) return;
  // Only one way, never both: the cycle would save the picture once from each.
  if (alsoOnClipboard && clipboardServesOthers_) return clipboard_.offer(std::move(picture));
  // As on the clipboard, a newer picture takes the place of one not yet taken (the
  // cycle is writing an animation meanwhile): the automation's pictures would
  // otherwise pile up in memory for as long as that takes.
  const bool replaced = waiting_.has_value();
  waiting_ = std::move(picture);
  if (replaced) tellLost(LostOffer::Replaced);
  later_->setEnabled(true);
}

bool DirectPictures::hasPicture() const {
  return waiting_.has_value() || clipboard_.hasPicture();
}

bool DirectPictures::pictureReady() const {
  return waiting_.has_value() || clipboard_.pictureReady();
}

TakenPicture DirectPictures::take(ArrivingRows* rows) {
  tookOwn_ = waiting_.has_value();
  if (!tookOwn_) return clipboard_.take(rows);
  TakenPicture taken{std::move(*waiting_)};
  waiting_.reset();
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
  waiting_.reset();
  clipboard_.clear();
}

}  // namespace snaprill
