// The system clipboard. On X11 other programs' offers are followed on a connection
// of our own (x11_clipboard.h), which learns of every change of the CLIPBOARD
// selection's owner from XFixes notifications; elsewhere, and for our own content,
// Qt's clipboard answers. The offered types are looked at once per change and the
// answer kept, so hasPicture() costs nothing and never talks to the X server.
//
// Another program's picture is read in the background as soon as it is offered;
// the capture cycle is told once it is here, from the event loop (offer_tracker.h
// keeps the offer's state). An offer given up (never sent, its owner gone, damaged)
// is left on the clipboard, no longer counts as offered, and the cycle hears why;
// so does one that another offer replaced before it was handed over.
//
// A picture just taken that its owner's window offers again at once, byte for byte,
// is not taken twice: Mutter's clipboard manager does that when the program that
// copied it quits before the clipboard is emptied.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "backends/qt/clipboard_offer.h"
#include "backends/x11/x11_clipboard.h"
#include "platform/offer_tracker.h"
#include "platform/services.h"

class QClipboard;
class QMimeData;

namespace snaprill {

class QtClipboard : public QObject, public Clipboard, private OfferTracker::Watcher {
  Q_OBJECT

 public:
  // Watches the application's clipboard; needs a QGuiApplication. `later` tells the
  // cycle of a picture once the event loop is free; the clock stamps other
  // programs' offers.
  QtClipboard(std::unique_ptr<Timer> later, const Clock& clock);

  PictureSource& pictures() override { return tracker_; }
  void setTakePicturesWithText(bool take) override;
  // Other programs are served an image made from it only when they ask for one.
  void offer(Bitmap picture, const CaptureSource& source) override;

 private:
  TakenPicture takeOffered(ArrivingRows* rows) override;
  void settleTaken(bool gone) override;
  void emptyClipboard() override;
  bool dropStartOfferLater() override;

  void refresh();
  void refreshFromX11();
  // Follows the offer the reader knows of (a new owner, or its types now known).
  void adoptX11Offer();
  void fetched(const QByteArray& bytes);
  void pixmapFetched();
  void forgetData();
  // The offer no longer counts: the clipboard stays as it is.
  void giveUp();
  // Another program's picture from the data read on our own X11 connection.
  TakenPicture takeFromX11(ArrivingRows* rows);
  // Another program's picture through Qt (off X11).
  TakenPicture takeThroughQt(ArrivingRows* rows);

  // Our own offer's picture, when the clipboard still holds that offer.
  Bitmap takeOwn();
  // Whether the offer last handed over is still the clipboard's: not when
  // another one came since (the next screenshot, while that one was written).
  bool takenOfferStillHere() const;

  QClipboard* clipboard_;
  QPointer<QMimeData> own_;  // Qt deletes it when the clipboard changes hands
  CaptureSource ownSource_;  // where own_'s picture came from
  bool ownWindowKnown_ = false;
  bool clearing_ = false;
  bool takeWithText_ = false;
  QString target_;  // what the offered picture is read as
  // Whose offer target_ was chosen from: the reader's count of owner changes then;
  // nothing for our own offer, or off X11.
  std::optional<unsigned> targetOwner_;
  QByteArray data_;  // another program's picture data, once here
  Bitmap pixmap_;    // or its picture, when it offered an X pixmap
  // The offers seen, to tell the one taken from a later one: our own offers, and
  // changes Qt told of (another program's offers off X11; on X11 the reader counts
  // its owners).
  unsigned ownOffers_ = 0;
  unsigned qtChanges_ = 0;
  struct TakenOffer {
    bool own = false;
    unsigned ownOffers = 0;
    unsigned qtChanges = 0;
    unsigned ownerChanges = 0;
  };
  std::optional<TakenOffer> taken_;
  // The picture last handed over from another program's data, until the next offer
  // shows whether it is the same again (or its capture turns out not saved).
  struct TakenData {
    unsigned ownerChanges = 0;  // the reader's count of owner changes then
    unsigned long owner = 0;    // the window that offered it
    QString target;
    QByteArray bytes;
  };
  std::optional<TakenData> lastTaken_;
  // Set while the offer found at start is to be emptied once its types are known:
  // the reader's count of owner changes then.
  std::optional<unsigned> clearStartOfferOf_;
  X11ClipboardReader x11_;
  OfferTracker tracker_;
};

}  // namespace snaprill
