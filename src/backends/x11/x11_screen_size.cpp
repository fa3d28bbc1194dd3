#include "backends/x11/x11_screen_size.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace snaprill {

X11ScreenSize::X11ScreenSize() : owned_(XOpenDisplay(nullptr)), display_(owned_.get()) {
  followChanges();
}

X11ScreenSize::X11ScreenSize(Display* display) : display_(display) {
  followChanges();
}

X11ScreenSize::~X11ScreenSize() = default;

void X11ScreenSize::Closer::operator()(Display* display) const {
  XCloseDisplay(display);
}

void X11ScreenSize::followChanges() {
  int event = 0, error = 0;
  // A server without RandR keeps its screen's size for its whole life.
  if (display_ == nullptr || !XRRQueryExtension(display_, &event, &error)) return;
  changeEvent_ = event + RRScreenChangeNotify;
  XRRSelectInput(display_, DefaultRootWindow(display_), RRScreenChangeNotifyMask);
  XFlush(display_);
}

ReferenceScreen X11ScreenSize::current() {
  if (display_ == nullptr) return ReferenceScreen{};
  if (changeEvent_ >= 0) {
    // Reads what the socket holds without waiting; only the last change counts, but
    // each one is applied as Xlib expects them in order.
    XEvent event;
    while (XCheckTypedEvent(display_, changeEvent_, &event)) XRRUpdateConfiguration(&event);
  }
  const int screen = DefaultScreen(display_);
  const int width = DisplayWidth(display_, screen);
  const int height = DisplayHeight(display_, screen);
  const int widthMm = DisplayWidthMM(display_, screen);
  const int heightMm = DisplayHeightMM(display_, screen);
  if (width <= 0 || height <= 0) return ReferenceScreen{};
  if (widthMm > 0 && heightMm > 0) return ReferenceScreen{width, height, widthMm, heightMm};
  return ReferenceScreen::at96Dpi(width, height);
}

}  // namespace snaprill
