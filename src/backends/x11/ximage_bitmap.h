// Pixels from the X server as our bitmaps, and the error trap their requests need.
// Include after the Qt headers: Xlib's macros (None, Bool, Status) clash with them.
#pragma once

#include <cstddef>
#include <memory>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "image/bitmap.h"

namespace snaprill {

// Xlib's default error handler ends the program. While one of these lives, errors
// (a window or pixmap that went away meanwhile, shared memory the server cannot
// reach) are noted instead. Short-lived and on the one thread that uses Xlib.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display);
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  // Whether a request made so far failed.
  bool failed();

 private:
  static int note(Display*, XErrorEvent*);
  static inline bool failed_ = false;
  Display* display_;
  XErrorHandler previous_;
};

struct ImageDeleter {
  void operator()(XImage* image) const { XDestroyImage(image); }
};
using ImagePtr = std::unique_ptr<XImage, ImageDeleter>;

// 32 bpp, B G R and a fourth byte of 0, from an image in any TrueColor layout.
Bitmap bitmapFromXImage(XImage& image);

// The picture another program offers as an X pixmap (the PIXMAP or BITMAP
// clipboard target). Empty when the pixmap is not there (any more) or holds more
// than maxPixels pixels; tooLarge tells the two apart.
struct PixmapPicture {
  Bitmap picture;
  bool tooLarge = false;
};
PixmapPicture pictureOfPixmap(Display* display, unsigned long pixmap, std::size_t maxPixels);

}  // namespace snaprill
