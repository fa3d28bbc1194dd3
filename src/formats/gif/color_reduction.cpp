#include "formats/gif/color_reduction.h"

#include <cstdlib>
#include <cstring>

#include "formats/gif/color_quantizer.h"
#include "formats/gif/dither.h"
#include "image/pixel_reader.h"

namespace snaprill {

namespace {

constexpr int kPaletteSize = 256;
constexpr int kSystemColorCount = 20;
constexpr int kQuantizedColors = kPaletteSize - kSystemColorCount;  // 236

// Indexes a picture's pixels row by row in the ditherer's serpentine order.
template <class Lookup>
void ditherInto(const Bitmap& picture, Lookup& lookup, std::uint8_t* indexes, std::size_t stride) {
  withColorReader(picture, [&](auto read) {
    detail::ditherPicture(
        picture.width(), picture.height(), lookup,
        [&](int y) { return [read, row = picture.row(y)](int x) { return read(row, x); }; },
        [&](int y) { return indexes + static_cast<std::size_t>(y) * stride; });
  });
}

// Without error diffusion: each pixel is matched on its own.
template <class Lookup>
void matchInto(const Bitmap& picture, Lookup& lookup, std::uint8_t* indexes, std::size_t stride) {
  withColorReader(picture, [&](auto read) {
    for (int y = 0; y < picture.height(); ++y) {
      const std::uint8_t* row = picture.row(y);
      std::uint8_t* dst = indexes + static_cast<std::size_t>(y) * stride;
      Rgb p;
      for (int x = 0; x < picture.width(); ++x) {
        const Rgb c = read(row, x);
        dst[x] = lookup.matchColor(c.r, c.g, c.b, p);
      }
    }
  });
}

template <class Lookup>
void indexInto(const Bitmap& picture, Lookup& lookup, DitherKind dither, std::uint8_t* indexes,
               std::size_t stride) {
  if (dither == DitherKind::FloydSteinberg) {
    ditherInto(picture, lookup, indexes, stride);
  } else {
    matchInto(picture, lookup, indexes, stride);
  }
}

void setColorTable(Bitmap& out, const std::vector<Rgb>& palette) {
  std::vector<Rgb>& table = out.palette();
  table.assign(kPaletteSize, Rgb{});
  std::copy(palette.begin(), palette.end(), table.begin());
}

}  // namespace

const std::array<Rgb, 20>& systemColors() {
  static const std::array<Rgb, 20> colors{
      {{0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
       {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
       {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
       {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}}};
  return colors;
}

std::vector<Rgb> buildGrayPalette() {
  std::vector<Rgb> p(kPaletteSize);
  for (int i = 0; i < kPaletteSize; ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    p[static_cast<std::size_t>(i)] = {v, v, v};
  }
  return p;
}

std::vector<Rgb> buildCubePalette() {
  std::vector<Rgb> p;
  p.reserve(216);
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        p.push_back({static_cast<std::uint8_t>(51 * r), static_cast<std::uint8_t>(51 * g),
                     static_cast<std::uint8_t>(51 * b)});
  return p;
}

std::vector<Rgb> buildQuantizedPalette(const Bitmap& picture) {
  ColorQuantizer quantizer(kQuantizedColors);
  quantizer.addPicture(picture);
  const std::vector<Rgb> leaves = quantizer.palette();
  const auto& system = systemColors();
  std::vector<Rgb> p(kPaletteSize, system[0]);
  std::copy(system.begin(), system.begin() + 10, p.begin());
  std::copy(leaves.begin(), leaves.end(), p.begin() + 10);
  std::copy(system.begin() + 10, system.end(), p.begin() + kPaletteSize - 10);
  return p;
}

FastColorLookup::FastColorLookup(const std::vector<Rgb>& palette)
    : palette_(palette.begin(), palette.begin() + static_cast<std::ptrdiff_t>(
                                                      std::min<std::size_t>(palette.size(), 256))),
      cache_(32768, kEmpty) {
  for (std::size_t i = 0; i < palette_.size(); ++i) {
    const Rgb& c = palette_[i];
    const unsigned cell = (c.r >> 3u) | (c.g >> 3u << 5) | (c.b >> 3u << 10);
    if (cache_[cell] == kEmpty) cache_[cell] = packed(i);
  }
}

std::size_t FastColorLookup::search(int r, int g, int b) const {
  int best = 0x30000;
  std::size_t bestIndex = 0;
  for (std::size_t i = 0; i < palette_.size(); ++i) {
    const Rgb& c = palette_[i];
    const int d = std::abs(r - c.r) + std::abs(g - c.g) + std::abs(b - c.b);
    if (d < best) {
      best = d;
      bestIndex = i;
    }
  }
  return bestIndex;
}

std::vector<Rgb> reduceToIndexes(const Bitmap& picture, ReductionMode mode, DitherKind dither,
                                 std::uint8_t* indexes, std::size_t stride) {
  if (mode == ReductionMode::Grayscale) {
    GrayScaleLookup lookup;
    indexInto(picture, lookup, dither, indexes, stride);
    return buildGrayPalette();
  }
  std::vector<Rgb> palette = buildQuantizedPalette(picture);
  FastColorLookup lookup(palette);
  indexInto(picture, lookup, dither, indexes, stride);
  return palette;
}

Bitmap reduceToIndexed(const Bitmap& picture, ReductionMode mode, DitherKind dither) {
  Bitmap out(picture.width(), picture.height(), 8);
  const std::vector<Rgb> palette =
      reduceToIndexes(picture, mode, dither, out.bits().data(), out.stride());
  setColorTable(out, palette);
  return out;
}

Bitmap renderOnCube(int width, int height, const std::vector<Rgb>& colors,
                    const std::uint8_t* indexes, std::size_t stride) {
  Bitmap out(width, height, 8);
  setColorTable(out, buildCubePalette());
  NetscapeColorLookup lookup;
  detail::ditherPicture(
      width, height, lookup,
      [&](int y) {
        return [&colors, row = indexes + static_cast<std::size_t>(y) * stride](int x) {
          const std::uint8_t i = row[x];
          return i < colors.size() ? colors[i] : Rgb{};
        };
      },
      [&](int y) { return out.row(y); });
  return out;
}

Bitmap renderOnCube(const Bitmap& picture) {
  Bitmap out(picture.width(), picture.height(), 8);
  setColorTable(out, buildCubePalette());
  NetscapeColorLookup lookup;
  ditherInto(picture, lookup, out.bits().data(), out.stride());
  return out;
}

}  // namespace snaprill
