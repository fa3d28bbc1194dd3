#include "backends/x11/x11_keyboard.h"

#include <QSocketNotifier>
#include <algorithm>

// Last: their macros (None, Bool, Status) clash with names in the Qt headers.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace snaprill {

X11Keyboard::X11Keyboard() : display_(XOpenDisplay(nullptr)) {
  if (display_ == nullptr) return;
  int event = 0, error = 0, major = 0, minor = 0;
  canSend_ = XTestQueryExtension(display_, &event, &error, &major, &minor);
  int opcode = 0;
  if (XQueryExtension(display_, "XInputExtension", &opcode, &event, &error)) {
    // From 2.1 on, raw events reach the root window even while a client holds a grab.
    major = 2;
    minor = 2;
    if (XIQueryVersion(display_, &major, &minor) == Success) {
      unsigned char mask[XIMaskLen(XI_RawKeyRelease)] = {};
      XISetMask(mask, XI_RawKeyPress);
      XISetMask(mask, XI_RawKeyRelease);
      XIEventMask events{XIAllMasterDevices, static_cast<int>(sizeof mask), mask};
      XISelectEvents(display_, DefaultRootWindow(display_), &events, 1);
      xiOpcode_ = opcode;
    }
  }
  readMapping();
  // Xlib reads its own copy of the mapping on first use: better now than in the
  // middle of the first key sequence.
  XKeysymToKeycode(display_, XK_Print);
  // Keys already held when the program starts (without events to see them go up,
  // none counts as held).
  if (watching()) {
    char keys[32] = {};
    XQueryKeymap(display_, keys);
    for (unsigned k = 0; k < down_.size(); ++k) down_[k] = (keys[k / 8] >> (k % 8)) & 1;
  }
  XFlush(display_);
  notifier_ = new QSocketNotifier(ConnectionNumber(display_), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &X11Keyboard::processEvents);
  // Events read while asking the questions above would not wake the notifier.
  QMetaObject::invokeMethod(this, &X11Keyboard::processEvents, Qt::QueuedConnection);
}

X11Keyboard::~X11Keyboard() {
  if (display_ == nullptr) return;
  delete notifier_;
  XCloseDisplay(display_);
}

void X11Keyboard::readMapping() {
  keysOf_.clear();
  int first = 0, last = 0;
  XDisplayKeycodes(display_, &first, &last);
  int perKey = 0;
  KeySym* symbols =
      XGetKeyboardMapping(display_, static_cast<KeyCode>(first), last - first + 1, &perKey);
  if (symbols == nullptr) return;
  for (int key = first; key <= last; ++key) {
    const KeySym* own = symbols + static_cast<std::size_t>(key - first) * perKey;
    for (int level = 0; level < std::min(perKey, 2); ++level) {
      if (own[level] == NoSymbol || (level == 1 && own[1] == own[0])) continue;
      keysOf_.emplace(own[level], static_cast<std::uint8_t>(key));
    }
  }
  XFree(symbols);
}

bool X11Keyboard::isDown(unsigned long keysym) const {
  const auto [from, to] = keysOf_.equal_range(keysym);
  for (auto it = from; it != to; ++it) {
    if (down_[it->second]) return true;
  }
  return false;
}

void X11Keyboard::send(std::span<const KeyStroke> strokes) {
  if (!canSend_) return;
  for (const KeyStroke& s : strokes) {
    const KeyCode key = XKeysymToKeycode(display_, s.keysym);
    if (key != 0) XTestFakeKeyEvent(display_, key, s.down ? True : False, CurrentTime);
  }
  XFlush(display_);
  // Xlib may have read the events of these keys while talking to the server: the
  // notifier would not tell.
  QMetaObject::invokeMethod(this, &X11Keyboard::processEvents, Qt::QueuedConnection);
}

void X11Keyboard::processEvents() {
  // Xlib may have read events from the socket already: the notifier would not tell.
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    handle(event);
  }
}

void X11Keyboard::handle(XEvent& event) {
  if (event.type == MappingNotify) {
    XRefreshKeyboardMapping(&event.xmapping);
    if (event.xmapping.request == MappingKeyboard) readMapping();
    return;
  }
  XGenericEventCookie& cookie = event.xcookie;
  if (cookie.type != GenericEvent || cookie.extension != xiOpcode_) return;
  if (!XGetEventData(display_, &cookie)) return;
  const auto* raw = static_cast<const XIRawEvent*>(cookie.data);
  const auto key = static_cast<unsigned>(raw->detail);
  const bool repeat = (raw->flags & XIKeyRepeat) != 0;
  const int type = raw->evtype;
  XFreeEventData(display_, &cookie);
  if (type == XI_RawKeyPress && !repeat) {
    setKey(key, true);
  } else if (type == XI_RawKeyRelease) {
    setKey(key, false);
  }
}

void X11Keyboard::setKey(unsigned keycode, bool down) {
  if (keycode >= down_.size() || down_[keycode] == down) return;
  down_[keycode] = down;
  changed.callAll();
}

}  // namespace snaprill
