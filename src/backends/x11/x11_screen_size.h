// The size of the X display's default screen as it is now, not as it was when the
// connection opened: Xlib reads the size once, at the connection's start, while a
// monitor plugged in or out (or xrandr) changes it at any time. The server sends
// RandR's screen-change events to each connection that asks; they wait in the
// connection until the size is wanted, so following them costs no round trip.
#pragma once

#include <memory>

#include "platform/services.h"

typedef struct _XDisplay Display;

namespace snaprill {

class X11ScreenSize : public ScreenSource {
 public:
  // On a connection of its own to the display named by DISPLAY; without a display
  // the screen is ReferenceScreen's default.
  X11ScreenSize();
  // On display, which the caller keeps open while this object lives, and whose
  // events nobody else reads.
  explicit X11ScreenSize(Display* display);
  ~X11ScreenSize() override;
  X11ScreenSize(const X11ScreenSize&) = delete;
  X11ScreenSize& operator=(const X11ScreenSize&) = delete;

  // The size in pixels and millimetres; a screen that reports no physical size
  // counts as 96 dots per inch. Also brings Xlib's own record of the screen
  // (DisplayWidth and the like) up to date on this connection.
  ReferenceScreen current() override;

 private:
  void followChanges();

  struct Closer {
    void operator()(Display* display) const;
  };
  std::unique_ptr<Display, Closer> owned_;
  Display* display_ = nullptr;
  int changeEvent_ = -1;  // RandR's screen-change event type; -1 without RandR
};

}  // namespace snaprill
