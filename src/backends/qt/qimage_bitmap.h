// Conversions between Qt's QImage and our Bitmap, used only where pictures cross
// into or out of Qt (clipboard transfer, showing a picture in a window).
#pragma once

#include <QImage>

#include "image/bitmap.h"

namespace snaprill {

// A 32 bpp bitmap (B G R X, X = 0) of image. A screen bitmap has no transparency:
// transparent and translucent pixels are drawn over white, as a viewer shows them on
// a page, rather than showing the colour a transparent pixel happens to hold. A null
// image gives an empty bitmap. Throws BitmapError when the size is beyond what a
// bitmap may hold.
Bitmap bitmapFromQImage(const QImage& image);

// An opaque RGB32 copy of bitmap, whatever its pixel format.
QImage qimageFromBitmap(const Bitmap& bitmap);

}  // namespace snaprill
