// Pictures of the screen taken by the program itself: from the X server, or through
// the compositor in a Wayland session.
#pragma once

#include "image/bitmap.h"

namespace snaprill {

class ScreenGrabber {
 public:
  virtual ~ScreenGrabber() = default;
  // 32 bpp bitmaps, as a screen bitmap comes; empty when nothing could be had.
  // `withCursor` asks for the mouse cursor in the picture, where the way the
  // picture is taken can show it.
  virtual Bitmap grabScreen(bool withCursor) = 0;
  // The focused window, as the desktop draws it.
  virtual Bitmap grabActiveWindow() = 0;
  // Whether grabScreen(true) shows the cursor; false until it is known.
  virtual bool showsCursor() const = 0;
};

}  // namespace snaprill
