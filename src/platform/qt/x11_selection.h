// Emptying the clipboard while another program owns it, without waiting for the X
// server. Qt's own way sends the release and then asks the server who owns the
// selection now, only to check; in the middle of a capture that wait took
// milliseconds while the picture's rows were being decoded on the other core.
//
// The release carries the time at which the current owner took the selection
// (learnt from the XFixes notification of that change), never "now": should another
// program offer a new picture before the server gets to the release, the release
// has no effect and the new picture stays.
#pragma once

#include <QAbstractNativeEventFilter>
#include <cstdint>

typedef struct _XDisplay Display;

namespace snaprill {

class X11ClipboardRelease : public QAbstractNativeEventFilter {
 public:
  // Watches the application's X11 events; does nothing off X11.
  X11ClipboardRelease();
  ~X11ClipboardRelease() override;
  X11ClipboardRelease(const X11ClipboardRelease&) = delete;
  X11ClipboardRelease& operator=(const X11ClipboardRelease&) = delete;

  // Sends the release of CLIPBOARD for its current owner. False when it cannot:
  // not on X11, or no owner's time known yet.
  bool release();

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  Display* display_ = nullptr;
  unsigned long clipboardAtom_ = 0;
  int selectionNotifyType_ = -1;  // the XFixes selection-notify event code
  std::uint32_t ownerTime_ = 0;   // when the current owner took CLIPBOARD; 0: unknown
};

}  // namespace snaprill
