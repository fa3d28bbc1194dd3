#include "platform/qt/x11_selection.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstring>

// Last: its macros (None, Bool, Status) clash with names in the Qt headers.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace snaprill {

namespace {

// An XFixes selection notification as it comes off the wire (32 bytes).
struct SelectionNotifyWire {
  std::uint8_t type;
  std::uint8_t subtype;
  std::uint16_t sequence;
  std::uint32_t window;
  std::uint32_t owner;
  std::uint32_t selection;
  std::uint32_t timestamp;
  std::uint32_t selectionTimestamp;
};

}  // namespace

X11ClipboardRelease::X11ClipboardRelease() {
  auto* x11 =
      qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (x11 == nullptr || x11->display() == nullptr) return;
  int eventBase = 0, errorBase = 0;
  if (!XFixesQueryExtension(x11->display(), &eventBase, &errorBase)) return;
  display_ = x11->display();
  clipboardAtom_ = XInternAtom(display_, "CLIPBOARD", False);
  selectionNotifyType_ = eventBase + XFixesSelectionNotify;
  QCoreApplication::instance()->installNativeEventFilter(this);
}

X11ClipboardRelease::~X11ClipboardRelease() {
  if (display_ != nullptr && QCoreApplication::instance() != nullptr)
    QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool X11ClipboardRelease::release() {
  if (display_ == nullptr || ownerTime_ == 0) return false;
  XSetSelectionOwner(display_, clipboardAtom_, None, ownerTime_);
  XFlush(display_);
  return true;
}

bool X11ClipboardRelease::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t") return false;
  SelectionNotifyWire event;
  std::memcpy(&event, message, sizeof event);
  if ((event.type & 0x7f) == selectionNotifyType_ && event.selection == clipboardAtom_)
    ownerTime_ = event.owner != 0 ? event.selectionTimestamp : 0;
  return false;  // Qt's clipboard needs the notification too
}

}  // namespace snaprill
