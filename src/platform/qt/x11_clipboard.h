// The CLIPBOARD selection of other programs, read on an X11 connection of our own.
// Qt's clipboard asks the server who owns the selection before nearly every step
// and reads large data in 256 KiB pieces: about a dozen round trips between a
// screenshot being offered and its bytes being here. This reader asks the new
// owner for its types as soon as the XFixes notification of the change arrives,
// and for the picture in one conversion whose answer it reads in one request
// (or incrementally, when the owner sends it in parts).
//
// It also empties the clipboard without waiting for the server: the release carries
// the time at which the current owner took the selection, never "now", so that a
// picture offered by another program before the server gets to the release is not
// released.
//
// Our own clipboard content is not its business: Qt answers for it.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <unordered_map>

class QSocketNotifier;
typedef struct _XDisplay Display;
union _XEvent;

namespace snaprill {

class X11ClipboardReader : public QObject {
  Q_OBJECT

 public:
  // Connects to the display Qt uses; inactive off X11 or without XFixes.
  X11ClipboardReader();
  ~X11ClipboardReader() override;

  bool active() const { return display_ != nullptr; }
  // The MIME types the current owner offers; empty while they are being asked for,
  // and when nobody owns the clipboard.
  const QStringList& offeredTypes() const { return types_; }
  // The current owner's data as `type`; empty when it refuses or does not answer
  // within five seconds. Blocks meanwhile, as reading the clipboard does in Qt.
  QByteArray fetch(const QString& type);
  // Sends the release of the current owner's selection; false when there is no
  // owner whose time is known.
  bool release();

 signals:
  // The owner changed and offeredTypes() says what the new one offers.
  void changed();

 private:
  void processEvents();
  void handle(const _XEvent& event);
  // Waits for an event that `match` accepts; other events are kept for later.
  bool waitFor(const std::function<bool(const _XEvent&)>& match, _XEvent& out);
  QByteArray readProperty(unsigned long property, bool* incremental);
  void readTypes();  // from the answer to a TARGETS request
  QString atomName(unsigned long atom);

  Display* display_ = nullptr;
  unsigned long window_ = 0;
  int selectionNotifyType_ = -1;
  unsigned long clipboard_ = 0, targets_ = 0, incr_ = 0, targetsProperty_ = 0, dataProperty_ = 0;
  unsigned long owner_ = 0;
  std::uint32_t ownerTime_ = 0;  // when the current owner took CLIPBOARD; 0: no owner
  QStringList types_;
  std::unordered_map<unsigned long, QString> names_;
  std::deque<std::unique_ptr<_XEvent>> held_;  // events that came during a wait
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace snaprill
