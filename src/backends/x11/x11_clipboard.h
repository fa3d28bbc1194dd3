// The CLIPBOARD selection of other programs, read on an X11 connection of our own.
// Qt's clipboard asks the server who owns the selection before nearly every step
// and reads large data in 256 KiB pieces: about a dozen round trips between a
// screenshot being offered and its bytes being here. This reader asks the new
// owner for its types as soon as the XFixes notification of the change arrives,
// and for the picture in one conversion whose answer it reads in one request
// (or incrementally, when the owner sends it in parts).
//
// Reading never blocks the event loop: a transfer is started, its answers are
// handled as they arrive, and its end (the bytes, or why there are none) is
// signalled. An owner that stops answering is given up after a while; one that
// goes away mid-transfer is noticed by the XFixes notification of its leaving.
//
// It also empties the clipboard without waiting for the server, by taking the
// selection with an offer of nothing (empty_clipboard_offer.h). That carries a time
// at which the current owner held the selection, never "now", so that a picture
// offered by another program before the server gets to it stays.
//
// Our own clipboard content is not its business: Qt answers for it.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>

#include "backends/x11/empty_clipboard_offer.h"
#include "image/bitmap.h"
#include "platform/lost_reason.h"

class QSocketNotifier;
typedef struct _XDisplay Display;
union _XEvent;

namespace snaprill {

// Qt's name for its own image data: what our own offer is listed under, and other
// programs' X pixmaps too (as Qt lists them).
inline const QString kPixmapType = QStringLiteral("application/x-qt-image");

class X11ClipboardReader : public QObject {
  Q_OBJECT

 public:
  // Connects to the display Qt uses; inactive off X11 or without XFixes. The types
  // offered at start are asked for, not waited for.
  X11ClipboardReader();
  ~X11ClipboardReader() override;

  bool active() const { return display_ != nullptr; }
  // The MIME types the current owner offers; empty while they are being asked for,
  // and when nobody owns the clipboard.
  const QStringList& offeredTypes() const { return types_; }
  // Whether the current owner's types are still being asked for.
  bool typesPending() const { return typesProperty_ != 0; }
  // How often the clipboard has changed hands: types known while this stays the
  // same are the same owner's.
  unsigned ownerChanges() const { return ownerChanges_; }
  Bitmap takePixmapPicture() { return std::exchange(pixmapPicture_, Bitmap()); }
  // Starts reading the current owner's data as `type` (ending a transfer under
  // way). fetched(), pixmapFetched() (for kPixmapType) or fetchFailed() tells how
  // it ended, unless the clipboard changes hands to another owner first: the
  // transfer is then dropped without a word, as the data would not be the new
  // owner's. False when no transfer could be started (nobody owns the clipboard).
  bool startFetch(const QString& type);
  void cancelFetch();
  // Whether the clipboard has changed hands since offeredTypes() was last updated
  // (the notification is here but not yet handled).
  bool changePending();
  // Empties the clipboard of the current owner's offer. True when that is done or
  // not needed (the clipboard changed hands meanwhile); false when it cannot be
  // done here (off X11).
  bool empty();
  // The window that owns the clipboard, as the last change handled said.
  unsigned long owner() const { return owner_; }
  // Who owns the clipboard now, asked of the server.
  unsigned long currentOwner();
  // The window Qt offers our own clipboard content from: nobody asks it what it
  // offers (Qt answers for it, and it may have emptied the clipboard by then).
  void setOwnWindow(unsigned long window) { ownWindow_ = window; }

 signals:
  // The owner changed, or what it offers became known: see offeredTypes().
  void changed();
  // The end of a transfer: all of its bytes, or why there are none.
  void fetched(const QByteArray& bytes);
  // Why: NotSent, OwnerQuit, Refused or TooLarge.
  void fetchFailed(snaprill::LostReason why);
  // The end of a transfer of an X pixmap: takePixmapPicture() hands over its
  // picture, empty when the owner named no pixmap that could be read.
  void pixmapFetched();

 private:
  // One transfer under way.
  struct Transfer {
    unsigned long target = 0;
    unsigned long property = 0;
    bool incremental = false;  // sent in parts, the first one read
    bool pixmap = false;       // answered with the name of an X pixmap
    unsigned long time = 0;    // the request's, which the owner's answer repeats
    QByteArray bytes;
  };

  void processEvents();
  void handle(const _XEvent& event);
  // The answers of a transfer; false when the event is not one.
  bool handleTransfer(const _XEvent& event);
  void readPart();
  void endFetch();
  void failFetch(LostReason why);
  bool isClipboardChange(const _XEvent& event) const;
  void readPending();
  // Asks the owner for `target`, answered in a property of our window used for
  // nothing else lately, so that a late answer to an earlier request is never
  // taken for this one.
  unsigned long request(unsigned long target, unsigned long time);
  // The property's value, deleted as it is read; nothing when it is not there.
  std::optional<QByteArray> readProperty(unsigned long property, bool* incremental);
  void readTypes(unsigned long property);
  // The picture of the pixmap named in the answer to a pixmap transfer.
  void readPixmap(unsigned long property);
  QString atomName(unsigned long atom);

  Display* display_ = nullptr;
  unsigned long window_ = 0;
  int selectionNotifyType_ = -1;
  unsigned long clipboard_ = 0, targets_ = 0, incr_ = 0;
  std::array<unsigned long, 8> properties_{};
  unsigned nextProperty_ = 0;
  unsigned long typesProperty_ = 0;  // where the current owner's types will be
  unsigned ownerChanges_ = 0;
  Bitmap pixmapPicture_;            // the last pixmap transfer's picture, until taken
  unsigned long pixmapTarget_ = 0;  // the current owner's PIXMAP (or else BITMAP) target
  unsigned long owner_ = 0;
  unsigned long ownWindow_ = 0;
  // A time at which the current owner held CLIPBOARD: when it took it, or when we
  // started for the owner found then; 0 while nobody owns it.
  std::uint32_t ownerTime_ = 0;
  QStringList types_;
  std::unordered_map<unsigned long, QString> names_;
  std::deque<std::unique_ptr<_XEvent>> held_;  // events read but not yet handled
  QSocketNotifier* notifier_ = nullptr;
  std::optional<Transfer> fetch_;
  QTimer fetchTimer_;  // runs while a transfer waits for its owner
  std::unique_ptr<EmptyClipboardOffer> emptyOffer_;
};

}  // namespace snaprill
