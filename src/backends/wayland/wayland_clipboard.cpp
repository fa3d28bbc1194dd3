#include "backends/wayland/wayland_clipboard.h"

#include <QTimer>
#include <utility>

#include "backends/qt/clipboard_offer.h"

namespace snaprill {

namespace {

// As long as the X11 watcher waits for an owner.
constexpr std::chrono::milliseconds kSilenceAllowed{5000};

}  // namespace

WaylandClipboard::WaylandClipboard(std::unique_ptr<DataControlClient> client)
    : client_(std::move(client)), reader_(kSilenceAllowed) {
  connect(client_.get(), &DataControlClient::selectionChanged, this, &WaylandClipboard::refresh);
  connect(&reader_, &PipeReader::finished, this, &WaylandClipboard::fetched);
  connect(&reader_, &PipeReader::failed, this, &WaylandClipboard::fetchFailed);
  // What is offered at start is read like any later offer.
  refresh();
}

void WaylandClipboard::refresh() {
  const unsigned change = client_->selectionChanges();
  const bool sameOffer = targetOffer_ == change;
  if (sameOffer && !own_.empty()) return;
  const QStringList& types = client_->offeredTypes();
  const QString target = pictureTarget(types, takeWithText_);
  if (!sameOffer) {
    // Any change of the clipboard replaces our own picture too.
    own_ = Bitmap();
    givenUp_ = false;
    // The clipboard emptied while its picture was on its way: its owner has gone
    // and taken the picture with it (our own emptying ends the read first).
    if (reader_.active() && types.isEmpty()) tellLostLater(LostOffer::OwnerQuit);
  } else if (target == target_) {
    return;
  }
  reader_.cancel();
  target_ = target;
  targetOffer_ = change;
  forgetData();
  ready_ = false;
  if (!target_.isEmpty() && !givenUp_) {
    // Read at once, in the background: the listener is told once the picture is
    // here, and a slow owner holds up nothing.
    reader_.start(client_->receive(target_));
    if (!reader_.active()) givenUp_ = true;
  }
  offered_ = !target_.isEmpty() && !givenUp_;
  tellWhenReady();
}

void WaylandClipboard::setTakePicturesWithText(bool take) {
  if (take == takeWithText_) return;
  takeWithText_ = take;
  refresh();
}

void WaylandClipboard::fetched(const QByteArray& bytes) {
  // The owner closed the pipe without writing: it would not send that type.
  if (bytes.isEmpty()) return fetchFailed(LostOffer::Refused);
  data_ = bytes;
  ready_ = true;
  tellWhenReady();
}

void WaylandClipboard::fetchFailed(LostOffer why) {
  giveUp();
  tellLost(why);
}

void WaylandClipboard::tellWhenReady() {
  if (!offered_ || !ready_ || tellQueued_) return;
  tellQueued_ = true;
  QTimer::singleShot(0, this, [this] {
    tellQueued_ = false;
    if (offered_ && ready_) tellArrived();
  });
}

void WaylandClipboard::tellLostLater(LostOffer why) {
  QTimer::singleShot(0, this, [this, why] { tellLost(why); });
}

void WaylandClipboard::forgetData() {
  data_ = QByteArray();
}

void WaylandClipboard::giveUp() {
  reader_.cancel();
  givenUp_ = true;
  offered_ = false;
  ready_ = false;
  own_ = Bitmap();
  forgetData();
}

void WaylandClipboard::offer(Bitmap picture) {
  reader_.cancel();
  own_ = std::move(picture);
  target_.clear();
  targetOffer_ = client_->selectionChanges();
  forgetData();
  givenUp_ = false;
  offered_ = !own_.empty();
  ready_ = offered_;
  tellWhenReady();
}

TakenPicture WaylandClipboard::take(ArrivingRows* rows) {
  if (!own_.empty()) {
    // Ours never went to the compositor: once handed over, nothing is left to empty
    // or to leave.
    taken_.reset();
    offered_ = false;
    ready_ = false;
    return {std::exchange(own_, Bitmap())};
  }
  taken_ = client_->selectionChanges();
  if (!ready_) return {Bitmap(), LostOffer::NotSent};
  TakenPicture offered = pictureFromOffer(target_, data_, rows);
  forgetData();
  ready_ = false;
  if (offered.picture.empty()) giveUp();
  return offered;
}

bool WaylandClipboard::takenOfferStillHere() {
  if (!taken_) return false;
  // A newer offer whose notice has reached us must stay, whether or not it has been
  // handled yet.
  client_->readPending();
  return *taken_ == client_->selectionChanges();
}

void WaylandClipboard::clearTaken() {
  if (takenOfferStillHere()) clear();
  taken_.reset();
}

void WaylandClipboard::leaveOffer() {
  if (takenOfferStillHere()) giveUp();
  taken_.reset();
}

void WaylandClipboard::clear() {
  reader_.cancel();
  client_->clearSelection();
  // The cycle must not see the same picture again, whenever the notice of our own
  // change arrives.
  giveUp();
}

}  // namespace snaprill
