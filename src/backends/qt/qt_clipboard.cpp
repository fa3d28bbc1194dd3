#include "backends/qt/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QScopedValueRollback>

#include "backends/qt/qimage_bitmap.h"

namespace snaprill {

namespace {

// A picture we offer ourselves. Qt offers other programs every image type it can
// write once an image is there, and asks for the image only when one of them wants
// it; the capture cycle takes the bitmap itself, unconverted. It takes a copy: a
// capture that cannot be written leaves the picture on the clipboard, to be pasted
// elsewhere.
class OwnPicture : public QMimeData {
 public:
  explicit OwnPicture(Bitmap picture) : picture_(std::move(picture)) {}
  Bitmap take() const { return picture_; }
  QStringList formats() const override { return {kPixmapType}; }
  bool hasFormat(const QString& type) const override { return type == kPixmapType; }

 protected:
  QVariant retrieveData(const QString& type, QMetaType) const override {
    if (type != kPixmapType) return {};
    if (image_.isNull()) image_ = qimageFromBitmap(picture_);
    return image_;
  }

 private:
  Bitmap picture_;
  mutable QImage image_;
};

}  // namespace

QtClipboard::QtClipboard(std::unique_ptr<Timer> later, const Clock& clock)
    : clipboard_(QGuiApplication::clipboard()), tracker_(*this, std::move(later), clock) {
  connect(clipboard_, &QClipboard::dataChanged, this, &QtClipboard::refresh);
  connect(&x11_, &X11ClipboardReader::changed, this, &QtClipboard::refreshFromX11);
  connect(&x11_, &X11ClipboardReader::fetched, this, &QtClipboard::fetched);
  connect(&x11_, &X11ClipboardReader::fetchFailed, this, [this](LostReason why) {
    forgetData();
    tracker_.lost(why);
  });
  connect(&x11_, &X11ClipboardReader::pixmapFetched, this, &QtClipboard::pixmapFetched);
  refresh();
}

void QtClipboard::refreshFromX11() {
  if (clipboard_->ownsClipboard()) return;  // Qt answers for our own content
  // A picture not yet handed over is lost once another offer takes its place.
  const bool replaced = tracker_.unread() && targetOwner_ != x11_.ownerChanges();
  // Only the very next offer, from the same window, can be the last one again. (Qt
  // may tell of a change before the reader has seen it.)
  const unsigned changesSinceTaken =
      lastTaken_ ? x11_.ownerChanges() - lastTaken_->ownerChanges : 0;
  if (changesSinceTaken > 1 || (changesSinceTaken == 1 && x11_.owner() != lastTaken_->owner))
    lastTaken_.reset();
  adoptX11Offer();
  if (replaced) tracker_.tellLost(LostReason::Replaced);
}

void QtClipboard::adoptX11Offer() {
  const QStringList& types = x11_.offeredTypes();
  if (clearStartOfferOf_ && (!types.isEmpty() || x11_.ownerChanges() != *clearStartOfferOf_)) {
    const bool startOffer = x11_.ownerChanges() == *clearStartOfferOf_;
    clearStartOfferOf_.reset();
    if (startOffer && !pictureTarget(types, takeWithText_).isEmpty()) {
      tracker_.drop();
      return;
    }
  }
  if (types.isEmpty()) {
    // A new owner whose types are still being asked for, or nobody: what was read
    // belonged to the one before.
    x11_.cancelFetch();
    target_.clear();
    targetOwner_.reset();
    forgetData();
    tracker_.follow(false, false);
    return;
  }
  const QString target = pictureTarget(types, takeWithText_);
  // The same type from another owner, or after our own offer, is another picture
  // (the notice of the change may have come while Qt still answered for ours).
  const bool sameOwner = targetOwner_ == x11_.ownerChanges();
  if (target == target_ && sameOwner) return tracker_.tellWhenReady();
  x11_.cancelFetch();
  target_ = target;
  targetOwner_ = x11_.ownerChanges();
  forgetData();
  if (!sameOwner && offersDrawingOnly(types, takeWithText_)) tracker_.tellLost(LostReason::Drawing);
  // Read at once, in the background: the cycle is told once the picture is here,
  // and a slow owner holds up nothing.
  if (tracker_.follow(!target_.isEmpty(), sameOwner) && !x11_.startFetch(target_)) {
    tracker_.giveUp();
  }
}

void QtClipboard::refresh() {
  // Qt reports our own emptying while it happens; asking the X server what is
  // offered then would only cost a round trip in the middle of a capture.
  if (clearing_) return;
  ++qtChanges_;
  // Other programs' offers are followed on our own X11 connection. Qt may tell of
  // losing our own content after that connection has told of the new owner.
  if (x11_.active() && !clipboard_->ownsClipboard()) {
    refreshFromX11();
    return;
  }
  // One request for the offered types per change (Qt caches the answer for the
  // current owner); nothing between changes.
  const QMimeData* data = clipboard_->mimeData(QClipboard::Clipboard);
  target_ = data != nullptr ? pictureTarget(data->formats(), takeWithText_) : QString();
  targetOwner_.reset();
  forgetData();
  const bool own = clipboard_->ownsClipboard();
  if (tracker_.follow(!target_.isEmpty(), false,
                      own ? std::optional<CaptureSource>(ownSource_) : std::nullopt)) {
    tracker_.dataArrived();
  }
}

void QtClipboard::setTakePicturesWithText(bool take) {
  if (take == takeWithText_) return;
  takeWithText_ = take;
  refresh();
}

void QtClipboard::fetched(const QByteArray& bytes) {
  const bool again = lastTaken_ && x11_.ownerChanges() == lastTaken_->ownerChanges + 1 &&
                     lastTaken_->target == target_ && lastTaken_->bytes == bytes;
  lastTaken_.reset();
  if (again) {
    // Saved already: emptied as the first offer was, and nobody is told.
    tracker_.drop();
    return;
  }
  data_ = bytes;
  tracker_.dataArrived();
}

void QtClipboard::pixmapFetched() {
  pixmap_ = x11_.takePixmapPicture();
  tracker_.dataArrived();
}

void QtClipboard::forgetData() {
  data_.clear();
  pixmap_ = Bitmap();
}

void QtClipboard::giveUp() {
  tracker_.giveUp();
  forgetData();
}

void QtClipboard::offer(Bitmap picture, const CaptureSource& source) {
  // A picture not yet handed over (ours too: Print Screen pressed again while the
  // cycle writes two captures) is lost once this one takes its place.
  const bool replaced = tracker_.unread();
  auto* data = new OwnPicture(std::move(picture));
  own_ = data;
  ownSource_ = source;
  ++ownOffers_;
  clipboard_->setMimeData(data, QClipboard::Clipboard);  // Qt owns it from here
  // Qt keeps one window for its clipboard: once known, our own offers cost the
  // reader of other programs' offers nothing.
  if (!ownWindowKnown_ && x11_.active() && clipboard_->ownsClipboard()) {
    x11_.setOwnWindow(x11_.currentOwner());
    ownWindowKnown_ = true;
  }
  // Qt may tell of the change later; the capture need not wait for that.
  if (clipboard_->ownsClipboard() && !tracker_.ready()) {
    x11_.cancelFetch();
    target_ = kPixmapType;
    targetOwner_.reset();
    forgetData();
    tracker_.offerOwn(source);
  }
  if (replaced) tracker_.tellLost(LostReason::Replaced);
}

Bitmap QtClipboard::takeOwn() {
  if (own_.isNull() || !clipboard_->ownsClipboard() ||
      clipboard_->mimeData(QClipboard::Clipboard) != own_.data()) {
    return Bitmap();
  }
  return static_cast<const OwnPicture*>(own_.data())->take();
}

bool QtClipboard::takenOfferStillHere() const {
  if (!taken_) return false;
  if (taken_->own) {
    return taken_->ownOffers == ownOffers_ && !own_.isNull() && clipboard_->ownsClipboard() &&
           clipboard_->mimeData(QClipboard::Clipboard) == own_.data();
  }
  if (clipboard_->ownsClipboard()) return false;
  // An owner change not yet handled is seen by the release itself.
  if (x11_.active()) return taken_->ownerChanges == x11_.ownerChanges();
  return taken_->qtChanges == qtChanges_;
}

void QtClipboard::settleTaken(bool gone) {
  if (takenOfferStillHere()) {
    if (gone) {
      tracker_.drop();
    } else {
      giveUp();
    }
  }
  taken_.reset();
  // Not saved: offered again, it is another chance.
  if (!gone) lastTaken_.reset();
}

TakenPicture QtClipboard::takeOffered(ArrivingRows* rows) {
  taken_ = TakenOffer{clipboard_->ownsClipboard(), ownOffers_, qtChanges_, x11_.ownerChanges()};
  // Screenshots from other programs mostly come as PNG. Reading its bytes and
  // decoding them ourselves takes a fraction of the general image conversion,
  // which would decode the same bytes more slowly. A picture we put there
  // ourselves is handed over in process, without any encoding.
  Bitmap own = takeOwn();
  if (!own.empty()) return {std::move(own)};
  if (!clipboard_->ownsClipboard() && x11_.active()) return takeFromX11(rows);
  if (!clipboard_->ownsClipboard() && target_ != kPixmapType) return takeThroughQt(rows);
  Bitmap picture = bitmapFromQImage(clipboard_->image(QClipboard::Clipboard));
  if (picture.empty()) giveUp();
  return {std::move(picture)};
}

TakenPicture QtClipboard::takeFromX11(ArrivingRows* rows) {
  TakenPicture offered;
  if (target_ == kPixmapType) {
    offered.picture = std::move(pixmap_);
  } else {
    offered = pictureFromOffer(target_, data_, rows);
    if (!offered.picture.empty())
      lastTaken_ = TakenData{x11_.ownerChanges(), x11_.owner(), target_, data_};
  }
  forgetData();
  if (offered.picture.empty()) giveUp();
  return {std::move(offered.picture), offered.lost};
}

TakenPicture QtClipboard::takeThroughQt(ArrivingRows* rows) {
  const QMimeData* data = clipboard_->mimeData(QClipboard::Clipboard);
  TakenPicture offered;
  if (data != nullptr && !target_.isEmpty())
    offered = pictureFromOffer(target_, data->data(target_), rows);
  if (offered.picture.empty()) giveUp();
  return {std::move(offered.picture), offered.lost};
}

bool QtClipboard::dropStartOfferLater() {
  // The start does not wait for an owner slow to say what it offers.
  if (x11_.active() && !clipboard_->ownsClipboard() && x11_.typesPending()) {
    clearStartOfferOf_ = x11_.ownerChanges();
    return true;
  }
  return false;
}

void QtClipboard::emptyClipboard() {
  x11_.cancelFetch();
  // Another program's picture is emptied away without waiting for the server; the
  // notification of that change arrives later, as for any other change. Our own
  // content goes through Qt, which must forget it.
  if (clipboard_->ownsClipboard() || !x11_.empty()) {
    const QScopedValueRollback clearing(clearing_, true);
    clipboard_->clear(QClipboard::Clipboard);
  }
  forgetData();
}

}  // namespace snaprill
