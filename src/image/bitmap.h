// The image layer: the Bitmap value type and the pixel work shared by everyone
// (conversions between depths, the stretching copy, drawing one bitmap into
// another, rows that arrive while a decoder still works).
//
// Bitmap: the in-memory picture every codec and adjustment works on.
//
// Layout, as in a device-independent bitmap:
//   - rows are stored top row first; row(y) is row y counted from the top;
//   - each row is padded to a multiple of 4 bytes (stride());
//   - 32 bpp: B G R X per pixel; 24 bpp: B G R;
//   - 16 bpp: one little-endian word per pixel, 0RRRRRGG GGGBBBBB (5-5-5);
//   - 1, 4, 8 bpp: palette indexes, most significant bits hold the leftmost pixel;
//     palette() holds 2^bpp entries.
// A default-constructed bitmap is empty (0 x 0, 32 bpp). Padding bytes start as 0
// and are never touched by the pixel helpers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/bitmap_error.h"
#include "image/pixel_buffer.h"

namespace snaprill {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Largest pixel buffer a bitmap may hold; bigger requests raise BitmapError before
// anything is allocated.
inline constexpr std::size_t kMaxBitmapBytes = std::size_t{1} << 31;

class Bitmap {
 public:
  Bitmap() = default;
  // A zero-filled bitmap. bitsPerPixel is one of 1, 4, 8, 16, 24, 32; indexed formats
  // get the default palette of defaultPalette(). Throws BitmapError on a bad format,
  // negative size or a pixel buffer beyond kMaxBitmapBytes.
  Bitmap(int width, int height, int bitsPerPixel);
  // The same, with the pixels left as the memory held them: for a reader that
  // writes every byte of every row itself, so that nothing is written twice.
  struct Unfilled {};
  Bitmap(int width, int height, int bitsPerPixel, Unfilled);
  // Copies go through memcpy: a vector with its own allocator copies byte by byte,
  // which for a screen-sized picture cost several times the memory's own speed.
  Bitmap(const Bitmap& other);
  Bitmap& operator=(const Bitmap& other);
  Bitmap(Bitmap&&) noexcept = default;
  Bitmap& operator=(Bitmap&&) noexcept = default;
  ~Bitmap() = default;

  static bool isValidFormat(int bitsPerPixel);
  // Bytes per padded row, or throws BitmapError when it would overflow.
  static std::size_t strideFor(int width, int bitsPerPixel);

  int width() const { return width_; }
  int height() const { return height_; }
  int bitsPerPixel() const { return bpp_; }
  bool empty() const { return width_ == 0 || height_ == 0; }
  bool indexed() const { return bpp_ <= 8; }
  std::size_t stride() const { return stride_; }

  std::uint8_t* row(int y) { return data_.data() + static_cast<std::size_t>(y) * stride_; }
  const std::uint8_t* row(int y) const {
    return data_.data() + static_cast<std::size_t>(y) * stride_;
  }
  PixelBuffer& bits() { return data_; }
  const PixelBuffer& bits() const { return data_; }

  std::vector<Rgb>& palette() { return palette_; }
  const std::vector<Rgb>& palette() const { return palette_; }

  // Colour of a pixel whatever the format (palette resolved, 16 bpp widened by
  // repeating the top bits).
  Rgb pixel(int x, int y) const;
  // Sets the colour of a 16, 24 or 32 bpp pixel; for indexed formats sets the
  // nearest palette entry.
  void setPixel(int x, int y, Rgb c);
  // Palette index of a 1, 4 or 8 bpp pixel.
  unsigned index(int x, int y) const;
  void setIndex(int x, int y, unsigned value);

  // The default palettes of the lower formats (also used by convertTo):
  //   1 bpp: black, white;  4 bpp: the 16 VGA colours;
  //   8 bpp: the 20 system colours, a 6x6x6 colour cube, 20 grays.
  static std::vector<Rgb> defaultPalette(int bitsPerPixel);

  // Converts the pixels to another format in place. Going down to an indexed format
  // maps each colour to the nearest entry of defaultPalette() (no dithering).
  void convertTo(int bitsPerPixel);
  Bitmap convertedTo(int bitsPerPixel) const;

  friend bool operator==(const Bitmap&, const Bitmap&) = default;

 private:
  int width_ = 0;
  int height_ = 0;
  int bpp_ = 32;
  std::size_t stride_ = 0;
  PixelBuffer data_;
  std::vector<Rgb> palette_;
};

// Nearest palette entry by squared distance in RGB; ties go to the lowest index.
unsigned nearestPaletteIndex(const std::vector<Rgb>& palette, Rgb c);

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};

// The stretching copy of a device context in its default stretch mode BLACKONWHITE:
// the source rectangle of src is copied into the destination rectangle of dst,
// scaled by pixel replication when growing; when shrinking, the rows and columns
// that fall onto one destination pixel are combined with bitwise AND (no smoothing).
// Source pixels outside src contribute nothing; a destination pixel that no source
// pixel reaches keeps its value. Destination pixels outside dst are clipped.
void stretchCopy(Bitmap& dst, const Rect& dstRect, const Bitmap& src, const Rect& srcRect);

// Copies `pixels` pixels stored as B G R and any fourth byte (how X servers and Qt
// hand over a screen) into our 32 bpp layout, the fourth byte cleared. On the
// capture's critical path: several pixels at a time where the processor allows.
void copyBgrxPixels(const std::uint8_t* src, std::uint8_t* dst, std::size_t pixels);

// R G B bytes from `pixels` pixels of our 32 bpp layout, as files of three bytes per
// pixel store them.
void bgrxToRgb(const std::uint8_t* src, std::size_t pixels, std::uint8_t* dst);

// Draws src onto dst at (x, y) at its own size, pixel for pixel; whatever falls
// outside dst is cut off. dst keeps its pixel format.
void drawBitmap(Bitmap& dst, int x, int y, const Bitmap& src);

}  // namespace snaprill
