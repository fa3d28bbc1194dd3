#include "backends/x11/x11_focused_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string>

#include "backends/x11/ximage_bitmap.h"

namespace snaprill {

namespace {

// A property's bytes as text (8-bit items), empty when the window lacks it.
std::string textProperty(Display* display, Window window, Atom property, Atom type) {
  Atom actualType = None;
  int format = 0;
  unsigned long items = 0;
  unsigned long left = 0;
  unsigned char* data = nullptr;
  std::string text;
  // A title longer than 4 KiB is cut there.
  if (XGetWindowProperty(display, window, property, 0, 1024, False, type, &actualType, &format,
                         &items, &left, &data) == Success &&
      data != nullptr && format == 8) {
    text.assign(reinterpret_cast<const char*>(data), items);
  }
  if (data) XFree(data);
  return text;
}

Window activeWindow(Display* display) {
  const Atom active = XInternAtom(display, "_NET_ACTIVE_WINDOW", True);
  if (active == None) return None;
  Atom actualType = None;
  int format = 0;
  unsigned long items = 0;
  unsigned long left = 0;
  unsigned char* data = nullptr;
  Window window = None;
  if (XGetWindowProperty(display, DefaultRootWindow(display), active, 0, 1, False, XA_WINDOW,
                         &actualType, &format, &items, &left, &data) == Success &&
      data != nullptr && format == 32 && items == 1) {
    window = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
  }
  if (data) XFree(data);
  return window;
}

}  // namespace

FocusedWindow x11FocusedWindow(Display* display) {
  FocusedWindow focused;
  if (display == nullptr) return focused;
  const Window window = activeWindow(display);
  if (window == None) return focused;
  // The window may close between the question and the answers.
  ErrorTrap trap(display);
  XClassHint hint{};
  if (XGetClassHint(display, window, &hint) != 0) {
    if (hint.res_class) focused.application = hint.res_class;
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
  }
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
  focused.title = textProperty(display, window, netName, utf8);
  if (focused.title.empty()) focused.title = textProperty(display, window, XA_WM_NAME, XA_STRING);
  XSync(display, False);
  if (trap.failed()) return {};
  return focused;
}

FocusedWindow x11FocusedWindow() {
  // Opened once and kept: a connection per capture would cost a few milliseconds
  // between two captures of a burst. Only ever used from one thread.
  static Display* const display = XOpenDisplay(nullptr);
  return x11FocusedWindow(display);
}

}  // namespace snaprill
