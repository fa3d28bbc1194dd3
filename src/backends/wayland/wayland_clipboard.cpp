#include "backends/wayland/wayland_clipboard.h"

#include <unistd.h>

#include <QTimer>
#include <utility>

#include "backends/qt/clipboard_offer.h"
#include "base/byte_sink.h"
#include "formats/png/png_image.h"

namespace snaprill {

namespace {

// As long as the X11 watcher waits for an owner.
constexpr std::chrono::milliseconds kSilenceAllowed{5000};

// What our own pictures are offered as: every program that pastes a picture takes it.
const QString kOwnType = QStringLiteral("image/png");

QByteArray pngOf(const Bitmap& picture) {
  // Made while a program waits to paste: the middle level, unfiltered, is quick and
  // small enough for a screen.
  MemorySink png;
  writePng(picture, 6, kPngFilterNone, png);
  return QByteArray(reinterpret_cast<const char*>(png.bytes.data()),
                    static_cast<qsizetype>(png.bytes.size()));
}

}  // namespace

WaylandClipboard::WaylandClipboard(std::unique_ptr<DataControlClient> client,
                                   std::unique_ptr<Timer> later, const Clock& clock)
    : client_(std::move(client)),
      reader_(kSilenceAllowed),
      tracker_(*this, std::move(later), clock) {
  connect(client_.get(), &DataControlClient::selectionChanged, this, &WaylandClipboard::refresh);
  connect(&reader_, &PipeReader::finished, this, &WaylandClipboard::fetched);
  connect(&reader_, &PipeReader::failed, this, &WaylandClipboard::fetchFailed);
  connect(client_.get(), &DataControlClient::sendWanted, this, &WaylandClipboard::serve);
  // What is offered at start is read like any later offer.
  refresh();
}

void WaylandClipboard::refresh() {
  const unsigned change = client_->selectionChanges();
  // Our own offer shown back (or one we dropped since, its news late), or news of
  // another offer from before ours was set (a change that replaces ours cancels it
  // first): nothing of another program's to read.
  if (client_->ownSelection() || client_->ownOfferServes()) {
    targetOffer_ = change;
    return;
  }
  const bool sameOffer = targetOffer_ == change;
  if (sameOffer && !own_.empty()) return;
  const QStringList& types = client_->offeredTypes();
  const QString target = pictureTarget(types, takeWithText_);
  if (!sameOffer) {
    // Any change of the clipboard replaces our own picture too.
    forgetOwn();
    // The clipboard emptied while its picture was on its way: its owner has gone
    // and taken the picture with it (our own emptying ends the read first).
    if (reader_.active() && types.isEmpty()) tellLostLater(LostReason::OwnerQuit);
    if (offersDrawingOnly(types, takeWithText_)) tellLostLater(LostReason::Drawing);
  } else if (target == target_) {
    return;
  }
  reader_.cancel();
  target_ = target;
  targetOffer_ = change;
  forgetData();
  // Read at once, in the background: the cycle is told once the picture is here,
  // and a slow owner holds up nothing.
  if (tracker_.follow(!target_.isEmpty(), sameOffer)) {
    reader_.start(client_->receive(target_));
    if (!reader_.active()) tracker_.giveUp();
  }
}

void WaylandClipboard::setTakePicturesWithText(bool take) {
  if (take == takeWithText_) return;
  takeWithText_ = take;
  refresh();
}

void WaylandClipboard::fetched(const QByteArray& bytes) {
  // The owner closed the pipe without writing: it would not send that type.
  if (bytes.isEmpty()) return fetchFailed(LostReason::Refused);
  data_ = bytes;
  tracker_.dataArrived();
}

void WaylandClipboard::fetchFailed(LostReason why) {
  giveUp();
  tracker_.tellLost(why);
}

void WaylandClipboard::tellLostLater(LostReason why) {
  QTimer::singleShot(0, this, [this, why] { tracker_.tellLost(why); });
}

void WaylandClipboard::forgetData() {
  data_ = QByteArray();
}

void WaylandClipboard::forgetOwn() {
  own_ = Bitmap();
  ownPng_ = QByteArray();
}

void WaylandClipboard::giveUp() {
  reader_.cancel();
  tracker_.giveUp();
  forgetOwn();
  forgetData();
}

void WaylandClipboard::offer(Bitmap picture, const CaptureSource& source) {
  if (picture.empty()) return;
  // A picture not yet handed over (ours too) is lost once this one takes its place.
  const bool replaced = tracker_.unread();
  reader_.cancel();
  // With the compositor gone, the cycle still has it.
  client_->setOwnSelection({kOwnType});
  own_ = std::move(picture);
  ownPng_ = QByteArray();
  ++ownOffers_;
  target_.clear();
  targetOffer_ = client_->selectionChanges();
  forgetData();
  tracker_.offerOwn(source);
  if (replaced) tracker_.tellLost(LostReason::Replaced);
}

void WaylandClipboard::serve(const QString& type, int fd) {
  std::erase_if(writers_, [](const std::unique_ptr<PipeWriter>& w) { return w->done(); });
  if (own_.empty() || type != kOwnType) {
    ::close(fd);
    return;
  }
  if (ownPng_.isEmpty()) ownPng_ = pngOf(own_);
  writers_.push_back(std::make_unique<PipeWriter>(fd, ownPng_, kSilenceAllowed));
}

TakenPicture WaylandClipboard::takeOffered(ArrivingRows* rows) {
  takenOwn_.reset();
  taken_.reset();
  if (!own_.empty()) {
    takenOwn_ = ownOffers_;
    // A copy: the clipboard keeps serving it until the capture is saved, and after
    // when it is not.
    return {own_};
  }
  taken_ = client_->selectionChanges();
  TakenPicture offered = pictureFromOffer(target_, data_, rows);
  forgetData();
  if (offered.picture.empty()) giveUp();
  return offered;
}

bool WaylandClipboard::takenOfferStillHere() {
  if (!taken_ && !takenOwn_) return false;
  // A newer offer whose notice has reached us must stay, whether or not it has been
  // handled yet.
  client_->readPending();
  if (takenOwn_) return *takenOwn_ == ownOffers_ && client_->ownOfferServes();
  return *taken_ == client_->selectionChanges();
}

void WaylandClipboard::settleTaken(bool gone) {
  if (gone) {
    if (takenOfferStillHere()) tracker_.drop();
  } else if (takenOwn_) {
    // Our own stays offered, served to whoever pastes it; it is not handed over
    // again.
    tracker_.giveUp();
  } else if (takenOfferStillHere()) {
    giveUp();
  }
  taken_.reset();
  takenOwn_.reset();
}

void WaylandClipboard::emptyClipboard() {
  reader_.cancel();
  client_->clearSelection();
  forgetOwn();
  forgetData();
}

}  // namespace snaprill
