#include "image/bitmap.h"
#include "base/unaligned.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace snaprill {

bool Bitmap::isValidFormat(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      return true;
    default:
      return false;
  }
}

std::size_t Bitmap::strideFor(int width, int bitsPerPixel) {
  if (!isValidFormat(bitsPerPixel)) throw BitmapError(BitmapErrorKind::InvalidFormat);
  if (width < 0) throw BitmapError(BitmapErrorKind::InvalidSize, width);
  const auto bitsPerRow =
      static_cast<unsigned long long>(width) * static_cast<unsigned>(bitsPerPixel);
  return static_cast<std::size_t>((bitsPerRow + 31) / 32 * 4);
}

Bitmap::Bitmap(int width, int height, int bitsPerPixel) : Bitmap(width, height, bitsPerPixel, {}) {
  std::fill(data_.begin(), data_.end(), std::uint8_t{0});
}

Bitmap::Bitmap(int width, int height, int bitsPerPixel, Unfilled) {
  if (height < 0) throw BitmapError(BitmapErrorKind::InvalidSize, width, height);
  const std::size_t stride = strideFor(width, bitsPerPixel);
  if (height > 0 && stride > kMaxBitmapBytes / static_cast<std::size_t>(height)) {
    throw BitmapError(BitmapErrorKind::TooLarge, width, height);
  }
  width_ = width;
  height_ = height;
  bpp_ = bitsPerPixel;
  stride_ = stride;
  data_.resize(stride * static_cast<std::size_t>(height));
  if (bitsPerPixel <= 8) palette_ = defaultPalette(bitsPerPixel);
}

Bitmap::Bitmap(const Bitmap& other)
    : width_(other.width_),
      height_(other.height_),
      bpp_(other.bpp_),
      stride_(other.stride_),
      data_(other.data_.size()),
      palette_(other.palette_) {
  if (!data_.empty()) std::memcpy(data_.data(), other.data_.data(), data_.size());
}

Bitmap& Bitmap::operator=(const Bitmap& other) {
  if (this != &other) {
    Bitmap copy(other);
    *this = std::move(copy);
  }
  return *this;
}

unsigned Bitmap::index(int x, int y) const {
  const std::uint8_t* r = row(y);
  switch (bpp_) {
    case 1:
      return (r[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4:
      return (x & 1) ? (r[x >> 1] & 0x0Fu) : (r[x >> 1] >> 4);
    case 8:
      return r[x];
    default:
      return 0;
  }
}

void Bitmap::setIndex(int x, int y, unsigned value) {
  std::uint8_t* r = row(y);
  switch (bpp_) {
    case 1: {
      const auto mask = static_cast<std::uint8_t>(0x80u >> (x & 7));
      r[x >> 3] =
          static_cast<std::uint8_t>((value & 1u) ? (r[x >> 3] | mask) : (r[x >> 3] & ~mask));
      break;
    }
    case 4: {
      std::uint8_t& byte = r[x >> 1];
      byte = (x & 1) ? static_cast<std::uint8_t>((byte & 0xF0u) | (value & 0x0Fu))
                     : static_cast<std::uint8_t>((byte & 0x0Fu) | ((value & 0x0Fu) << 4));
      break;
    }
    case 8:
      r[x] = static_cast<std::uint8_t>(value);
      break;
    default:
      break;
  }
}

namespace {

std::uint8_t widen5(unsigned v) {
  return static_cast<std::uint8_t>((v << 3) | (v >> 2));
}

}  // namespace

Rgb Bitmap::pixel(int x, int y) const {
  const std::uint8_t* r = row(y);
  switch (bpp_) {
    case 32:
    case 24: {
      const std::uint8_t* p = r + static_cast<std::size_t>(x) * static_cast<std::size_t>(bpp_ / 8);
      return Rgb{p[2], p[1], p[0]};
    }
    case 16: {
      const unsigned w = loadLe16(r + 2 * x);
      return Rgb{widen5((w >> 10) & 31u), widen5((w >> 5) & 31u), widen5(w & 31u)};
    }
    default: {
      const unsigned i = index(x, y);
      return i < palette_.size() ? palette_[i] : Rgb{};
    }
  }
}

void Bitmap::setPixel(int x, int y, Rgb c) {
  std::uint8_t* r = row(y);
  switch (bpp_) {
    case 32:
    case 24: {
      std::uint8_t* p = r + static_cast<std::size_t>(x) * static_cast<std::size_t>(bpp_ / 8);
      p[0] = c.b;
      p[1] = c.g;
      p[2] = c.r;
      break;
    }
    case 16: {
      const unsigned w = ((c.r >> 3u) << 10) | ((c.g >> 3u) << 5) | (c.b >> 3u);
      r[2 * x] = static_cast<std::uint8_t>(w & 0xFFu);
      r[2 * x + 1] = static_cast<std::uint8_t>(w >> 8);
      break;
    }
    default:
      setIndex(x, y, nearestPaletteIndex(palette_, c));
      break;
  }
}

std::vector<Rgb> Bitmap::defaultPalette(int bitsPerPixel) {
  static constexpr std::array<Rgb, 20> kSystem = {{
      {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
      {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
      {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
      {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
  }};
  switch (bitsPerPixel) {
    case 1:
      return {{0, 0, 0}, {255, 255, 255}};
    case 4:
      return {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
              {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
              {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
              {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    case 8: {
      std::vector<Rgb> p(kSystem.begin(), kSystem.end());
      for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
          for (int b = 0; b < 6; ++b)
            p.push_back(Rgb{static_cast<std::uint8_t>(r * 51), static_cast<std::uint8_t>(g * 51),
                            static_cast<std::uint8_t>(b * 51)});
      // 20 grays between the cube's gray steps, so screenshots' grays stay close.
      for (int i = 1; p.size() < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i * 255 / 21);
        p.push_back(Rgb{v, v, v});
      }
      return p;
    }
    default:
      return {};
  }
}

unsigned nearestPaletteIndex(const std::vector<Rgb>& palette, Rgb c) {
  unsigned best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const int dr = int{palette[i].r} - c.r;
    const int dg = int{palette[i].g} - c.g;
    const int db = int{palette[i].b} - c.b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = static_cast<unsigned>(i);
      if (d == 0) break;
    }
  }
  return best;
}

}  // namespace snaprill
