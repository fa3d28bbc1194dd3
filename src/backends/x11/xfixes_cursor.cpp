#include "backends/x11/xfixes_cursor.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace snaprill {

XFixesCursorSource::XFixesCursorSource() : display_(XOpenDisplay(nullptr)) {
  int event = 0, error = 0;
  haveXFixes_ = display_ && XFixesQueryExtension(display_, &event, &error);
}

XFixesCursorSource::~XFixesCursorSource() {
  if (display_) XCloseDisplay(display_);
}

CursorSnapshot XFixesCursorSource::current() {
  CursorSnapshot snapshot;
  if (!haveXFixes_) return snapshot;
  XFixesCursorImage* image = XFixesGetCursorImage(display_);
  if (!image) return snapshot;
  // x and y are the pointer position; xhot and yhot the pixel of the picture that
  // points.
  snapshot.pointerX = image->x;
  snapshot.pointerY = image->y;
  snapshot.hotX = image->xhot;
  snapshot.hotY = image->yhot;
  if (image->width > 0 && image->height > 0 && image->width <= 1024 && image->height <= 1024) {
    snapshot.image = Bitmap(image->width, image->height, 32);
    const unsigned long* pixels = image->pixels;  // premultiplied ARGB in the low 32 bits
    for (int y = 0; y < image->height; ++y) {
      std::uint8_t* row = snapshot.image.row(y);
      for (int x = 0; x < image->width; ++x, ++pixels, row += 4) {
        const unsigned long p = *pixels;
        row[0] = static_cast<std::uint8_t>(p);
        row[1] = static_cast<std::uint8_t>(p >> 8);
        row[2] = static_cast<std::uint8_t>(p >> 16);
        row[3] = static_cast<std::uint8_t>(p >> 24);
      }
    }
  }
  XFree(image);
  return snapshot;
}

}  // namespace snaprill
