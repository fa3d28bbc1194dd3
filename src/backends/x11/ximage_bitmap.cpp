#include "backends/x11/ximage_bitmap.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace snaprill {

ErrorTrap::ErrorTrap(Display* display) : display_(display) {
  XSync(display_, False);
  failed_ = false;
  previous_ = XSetErrorHandler(&ErrorTrap::note);
}

ErrorTrap::~ErrorTrap() {
  XSync(display_, False);
  XSetErrorHandler(previous_);
}

bool ErrorTrap::failed() {
  XSync(display_, False);
  return failed_;
}

int ErrorTrap::note(Display*, XErrorEvent*) {
  failed_ = true;
  return 0;
}

namespace {

// The position of the lowest bit of a mask and the number of bits it holds.
struct Channel {
  int shift = 0;
  int bits = 0;
  explicit Channel(unsigned long mask) {
    if (mask == 0) return;
    shift = std::countr_zero(mask);
    bits = std::popcount(mask);
  }
  std::uint8_t of(unsigned long pixel) const {
    if (bits == 0) return 0;
    const unsigned long v = (pixel >> shift) & ((1ul << bits) - 1);
    return static_cast<std::uint8_t>(bits >= 8 ? v >> (bits - 8) : v * 255 / ((1ul << bits) - 1));
  }
};

}  // namespace

Bitmap bitmapFromXImage(XImage& image) {
  Bitmap out(image.width, image.height, 32, Bitmap::Unfilled{});
  const bool screenLayout = image.bits_per_pixel == 32 && image.red_mask == 0xFF0000 &&
                            image.green_mask == 0xFF00 && image.blue_mask == 0xFF &&
                            image.byte_order == LSBFirst;
  if (screenLayout) {
    // B G R and a fourth byte: our layout, but for the fourth byte, which must be 0.
    const std::size_t width = static_cast<std::size_t>(image.width);
    for (int y = 0; y < image.height; ++y) {
      const auto* src =
          reinterpret_cast<const std::uint8_t*>(image.data) +
          static_cast<std::size_t>(y) * static_cast<std::size_t>(image.bytes_per_line);
      copyBgrxPixels(src, out.row(y), width);
    }
    return out;
  }
  // Any other visual (16 bits per pixel, other channel orders): pixel by pixel.
  const Channel red(image.red_mask), green(image.green_mask), blue(image.blue_mask);
  for (int y = 0; y < image.height; ++y) {
    std::uint8_t* dst = out.row(y);
    for (int x = 0; x < image.width; ++x, dst += 4) {
      const unsigned long pixel = XGetPixel(&image, x, y);
      dst[0] = blue.of(pixel);
      dst[1] = green.of(pixel);
      dst[2] = red.of(pixel);
      dst[3] = 0;
    }
  }
  return out;
}

PixmapPicture pictureOfPixmap(Display* display, unsigned long pixmap, std::size_t maxPixels) {
  ErrorTrap trap(display);
  Window root = 0;
  int x = 0, y = 0;
  unsigned width = 0, height = 0, border = 0, depth = 0;
  // The owner names the pixmap: it may be gone, or never have been one.
  if (!XGetGeometry(display, pixmap, &root, &x, &y, &width, &height, &border, &depth) ||
      trap.failed() || width == 0 || height == 0)
    return {};
  if (std::size_t{width} * height > maxPixels) return {Bitmap(), true};
  ImagePtr image(XGetImage(display, pixmap, 0, 0, width, height, AllPlanes, ZPixmap));
  if (!image || trap.failed()) return {};
  if (depth == 1) {
    // A bitmap: set bits are drawn, in black on white.
    Bitmap out(static_cast<int>(width), static_cast<int>(height), 32, Bitmap::Unfilled{});
    for (int row = 0; row < image->height; ++row) {
      std::uint8_t* dst = out.row(row);
      for (int column = 0; column < image->width; ++column, dst += 4) {
        const std::uint8_t level = XGetPixel(image.get(), column, row) != 0 ? 0 : 255;
        dst[0] = dst[1] = dst[2] = level;
        dst[3] = 0;
      }
    }
    return {std::move(out)};
  }
  // A pixmap has no visual of its own: its pixels are read as the screen's visual
  // of that depth would show them. Without a true-colour one they are colour-map
  // indices, which say nothing without the owner's colour map: no picture rather
  // than a wrong one.
  XVisualInfo visual{};
  const int screen = DefaultScreen(display);
  if (static_cast<int>(depth) == DefaultDepth(display, screen)) {
    const Visual* shown = DefaultVisual(display, screen);
    visual.red_mask = shown->red_mask;
    visual.green_mask = shown->green_mask;
    visual.blue_mask = shown->blue_mask;
  } else if (!XMatchVisualInfo(display, screen, static_cast<int>(depth), TrueColor, &visual)) {
    return {};
  }
  if (visual.red_mask == 0 || visual.green_mask == 0 || visual.blue_mask == 0) return {};
  image->red_mask = visual.red_mask;
  image->green_mask = visual.green_mask;
  image->blue_mask = visual.blue_mask;
  return {bitmapFromXImage(*image)};
}

}  // namespace snaprill
