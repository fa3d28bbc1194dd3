// Pixel-format conversion, row by row through packed 0x00RRGGBB colours. Going down
// to an indexed format maps every colour to the nearest entry of the target's
// default palette, with exactly the result of nearestPaletteIndex but without
// searching the whole palette for every pixel (see PaletteMatcher).
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "base/unaligned.h"
#include "image/bitmap.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace snaprill {

namespace {

using Packed = std::uint32_t;  // 0x00RRGGBB

Packed pack(Rgb c) {
  return (Packed{c.r} << 16) | (Packed{c.g} << 8) | c.b;
}
Rgb unpack(Packed v) {
  return Rgb{static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
             static_cast<std::uint8_t>(v)};
}

// Nearest palette entry, as nearestPaletteIndex finds it, for screen-sized pictures.
// Colour space is cut into 32x32x32 cells. For a cell, only entries whose smallest
// distance to the cell can beat the best worst-case distance of any entry can be
// nearest for a colour inside it; those candidates are listed once per cell (in
// index order, so ties still go to the lowest index) and searched per pixel. Each
// cell also remembers its last exact colour, which screenshots repeat endlessly.
class PaletteMatcher {
 public:
  explicit PaletteMatcher(const std::vector<Rgb>& palette) : palette_(palette) {
    cellStart_.fill(kUnbuilt);
    // An empty memo holds a colour outside its cell, which never matches.
    memo_.fill(0);
    memo_[0] = 0xFFFFFFu;
  }

  unsigned operator()(Packed colour) {
    if (colour == lastColour_) return lastIndex_;  // runs of one colour are the rule
    lastColour_ = colour;
    lastIndex_ = lookUp(colour);
    return lastIndex_;
  }

 private:
  unsigned lookUp(Packed colour) {
    const unsigned cell =
        ((colour >> 9) & 0x7C00u) | ((colour >> 6) & 0x03E0u) | ((colour >> 3) & 0x001Fu);
    if ((memo_[cell] & 0xFFFFFFu) == colour) return memo_[cell] >> 24;
    if (cellStart_[cell] == kUnbuilt) build(cell);
    const Rgb c = unpack(colour);
    unsigned best = 0;
    int bestDistance = -1;
    for (std::uint32_t k = cellStart_[cell]; k < cellEnd_[cell]; ++k) {
      const unsigned i = candidates_[k];
      const int dr = int{palette_[i].r} - c.r;
      const int dg = int{palette_[i].g} - c.g;
      const int db = int{palette_[i].b} - c.b;
      const int d = dr * dr + dg * dg + db * db;
      if (bestDistance < 0 || d < bestDistance) {
        bestDistance = d;
        best = i;
      }
    }
    memo_[cell] = (best << 24) | colour;
    return best;
  }

  static constexpr std::uint32_t kUnbuilt = 0xFFFFFFFFu;

  // Squared distance from v to the span [lo, hi] along one axis: nearest and farthest.
  static int nearAxis(int v, int lo, int hi) {
    const int d = v < lo ? lo - v : (v > hi ? v - hi : 0);
    return d * d;
  }
  static int farAxis(int v, int lo, int hi) {
    const int d = std::max(v - lo, hi - v);
    return d * d;
  }

  void build(unsigned cell) {
    const int r0 = static_cast<int>(cell >> 10) << 3;
    const int g0 = static_cast<int>((cell >> 5) & 31u) << 3;
    const int b0 = static_cast<int>(cell & 31u) << 3;
    int bound = -1;
    for (const Rgb& e : palette_) {
      const int far =
          farAxis(e.r, r0, r0 + 7) + farAxis(e.g, g0, g0 + 7) + farAxis(e.b, b0, b0 + 7);
      if (bound < 0 || far < bound) bound = far;
    }
    cellStart_[cell] = static_cast<std::uint32_t>(candidates_.size());
    for (std::size_t i = 0; i < palette_.size() && i < 256; ++i) {
      const Rgb& e = palette_[i];
      const int near =
          nearAxis(e.r, r0, r0 + 7) + nearAxis(e.g, g0, g0 + 7) + nearAxis(e.b, b0, b0 + 7);
      if (near <= bound) candidates_.push_back(static_cast<std::uint8_t>(i));
    }
    cellEnd_[cell] = static_cast<std::uint32_t>(candidates_.size());
  }

  const std::vector<Rgb>& palette_;
  Packed lastColour_ = 0xFFFFFFFFu;  // no colour: nothing looked up yet
  unsigned lastIndex_ = 0;
  std::vector<std::uint8_t> candidates_;
  std::array<std::uint32_t, 32768> cellStart_{};
  std::array<std::uint32_t, 32768> cellEnd_{};
  std::array<std::uint32_t, 32768> memo_{};
};

// 5-bit channel widened to 8 bits by repeating its top bits, as Bitmap::pixel does.
constexpr std::array<std::uint8_t, 32> kWiden5 = [] {
  std::array<std::uint8_t, 32> t{};
  for (unsigned v = 0; v < 32; ++v) t[v] = static_cast<std::uint8_t>((v << 3) | (v >> 2));
  return t;
}();

void decodeRow(const Bitmap& b, int y, Packed* out) {
  const std::uint8_t* row = b.row(y);
  const int width = b.width();
  switch (b.bitsPerPixel()) {
    case 32:
      for (int x = 0; x < width; ++x, row += 4)
        out[x] = (Packed{row[2]} << 16) | (Packed{row[1]} << 8) | row[0];
      return;
    case 24:
      for (int x = 0; x < width; ++x, row += 3)
        out[x] = (Packed{row[2]} << 16) | (Packed{row[1]} << 8) | row[0];
      return;
    case 16:
      for (int x = 0; x < width; ++x, row += 2) {
        const unsigned w = row[0] | (unsigned{row[1]} << 8);
        out[x] = (Packed{kWiden5[(w >> 10) & 31u]} << 16) | (Packed{kWiden5[(w >> 5) & 31u]} << 8) |
                 kWiden5[w & 31u];
      }
      return;
    default: {
      // Indexes beyond a short palette read as black, as Bitmap::pixel does.
      std::array<Packed, 256> colours{};
      for (std::size_t i = 0; i < b.palette().size() && i < colours.size(); ++i) {
        colours[i] = pack(b.palette()[i]);
      }
      for (int x = 0; x < width; ++x) out[x] = colours[b.index(x, y)];
      return;
    }
  }
}

void encodeRow(Bitmap& b, int y, const Packed* in, PaletteMatcher* matcher) {
  std::uint8_t* row = b.row(y);
  const int width = b.width();
  switch (b.bitsPerPixel()) {
    case 32:
      for (int x = 0; x < width; ++x, row += 4) {
        row[0] = static_cast<std::uint8_t>(in[x]);
        row[1] = static_cast<std::uint8_t>(in[x] >> 8);
        row[2] = static_cast<std::uint8_t>(in[x] >> 16);
      }
      return;
    case 24:
      for (int x = 0; x < width; ++x, row += 3) {
        row[0] = static_cast<std::uint8_t>(in[x]);
        row[1] = static_cast<std::uint8_t>(in[x] >> 8);
        row[2] = static_cast<std::uint8_t>(in[x] >> 16);
      }
      return;
    case 16:
      for (int x = 0; x < width; ++x, row += 2) {
        const Packed v = in[x];
        const unsigned w = ((v >> 9) & 0x7C00u) | ((v >> 6) & 0x03E0u) | ((v >> 3) & 0x001Fu);
        row[0] = static_cast<std::uint8_t>(w);
        row[1] = static_cast<std::uint8_t>(w >> 8);
      }
      return;
    case 8:
      for (int x = 0; x < width; ++x) row[x] = static_cast<std::uint8_t>((*matcher)(in[x]));
      return;
    case 4:
      for (int x = 0; x < width; x += 2) {
        const unsigned hi = (*matcher)(in[x]);
        const unsigned lo = x + 1 < width ? (*matcher)(in[x + 1]) : 0u;
        row[x / 2] = static_cast<std::uint8_t>((hi << 4) | lo);
      }
      return;
    default:
      for (int x = 0; x < width; x += 8) {
        unsigned byte = 0;
        for (int k = 0; k < 8 && x + k < width; ++k) byte |= (*matcher)(in[x + k]) << (7 - k);
        row[x / 8] = static_cast<std::uint8_t>(byte);
      }
      return;
  }
}

// 24 <-> 32 bits, the conversions every capture and picture file goes through, in
// one pass over rows written once: X is 0 and the padding zero, as in a new bitmap.
void convertTrueColour(const Bitmap& in, Bitmap& out) {
  const int width = in.width();
  const auto used =
      static_cast<std::size_t>(width) * static_cast<std::size_t>(out.bitsPerPixel() / 8);
  for (int y = 0; y < in.height(); ++y) {
    const std::uint8_t* from = in.row(y);
    std::uint8_t* to = out.row(y);
    if (in.bitsPerPixel() == 24) {
      for (int x = 0; x < width; ++x, from += 3, to += 4) {
        to[0] = from[0];
        to[1] = from[1];
        to[2] = from[2];
        to[3] = 0;
      }
    } else {
      for (int x = 0; x < width; ++x, from += 4, to += 3) {
        to[0] = from[0];
        to[1] = from[1];
        to[2] = from[2];
      }
    }
    std::memset(out.row(y) + used, 0, out.stride() - used);
  }
}

}  // namespace

Bitmap Bitmap::convertedTo(int bitsPerPixel) const {
  if (bitsPerPixel == bpp_) return *this;
  if ((bpp_ == 24 && bitsPerPixel == 32) || (bpp_ == 32 && bitsPerPixel == 24)) {
    Bitmap out(width_, height_, bitsPerPixel, Unfilled{});
    convertTrueColour(*this, out);
    return out;
  }
  Bitmap out(width_, height_, bitsPerPixel);
  std::unique_ptr<PaletteMatcher> matcher;
  if (out.indexed()) matcher = std::make_unique<PaletteMatcher>(out.palette());
  std::vector<Packed> colours(static_cast<std::size_t>(width_));
  for (int y = 0; y < height_; ++y) {
    decodeRow(*this, y, colours.data());
    encodeRow(out, y, colours.data(), matcher.get());
  }
  return out;
}

void Bitmap::convertTo(int bitsPerPixel) {
  if (bitsPerPixel == bpp_) return;
  *this = convertedTo(bitsPerPixel);
}

void copyBgrxPixels(const std::uint8_t* src, std::uint8_t* dst, std::size_t pixels) {
  std::size_t x = 0;
#if defined(__SSE2__)
  // The compiler leaves the loop below scalar; a screen's worth of it was a tenth
  // of a capture's time.
  const __m128i colours = _mm_set1_epi32(0x00FFFFFF);
  for (; x + 4 <= pixels; x += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x), _mm_and_si128(v, colours));
  }
#endif
  for (; x < pixels; ++x) {
    std::memcpy(dst + 4 * x, src + 4 * x, 3);
    dst[4 * x + 3] = 0;
  }
}

void bgrxToRgb(const std::uint8_t* src, std::size_t pixels, std::uint8_t* dst) {
  std::size_t x = 0;
  if constexpr (std::endian::native == std::endian::little) {
    // Four pixels at a time become three words of R G B.
    const auto rgbOf = [](std::uint32_t bgrx) { return __builtin_bswap32(bgrx) >> 8; };
    for (; x + 4 <= pixels; x += 4, src += 16, dst += 12) {
      const std::uint32_t a = rgbOf(load32(src));
      const std::uint32_t b = rgbOf(load32(src + 4));
      const std::uint32_t c = rgbOf(load32(src + 8));
      const std::uint32_t d = rgbOf(load32(src + 12));
      store32(dst, a | (b << 24));
      store32(dst + 4, (b >> 8) | (c << 16));
      store32(dst + 8, (c >> 16) | (d << 8));
    }
  }
  for (; x < pixels; ++x, src += 4, dst += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

}  // namespace snaprill
