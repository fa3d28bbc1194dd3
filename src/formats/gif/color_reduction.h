// Colour reduction of true-colour pictures to 256-colour indexed pictures, and the
// rendering of indexed frames onto the 216-colour cube.
//
// Palettes: Grayscale gives 256 grays (entry i = (i, i, i)); SystemColorQuantize
// gives the 20 system colours at entries 0-9 and 246-255 and up to 236 octree
// colours of the picture itself at entries 10 onwards. Colours are matched with
// Floyd-Steinberg error diffusion on a serpentine walk (even rows left to right,
// odd rows right to left), in integer arithmetic.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "image/bitmap.h"

namespace snaprill {

enum class ReductionMode : std::uint8_t { Grayscale = 5, SystemColorQuantize = 8 };
enum class DitherKind : std::uint8_t { None = 0, FloydSteinberg = 1 };

// The default palette's 20 system colours (entries 0-9, then 10-19).
const std::array<Rgb, 20>& systemColors();

std::vector<Rgb> buildGrayPalette();
std::vector<Rgb> buildCubePalette();
// The octree palette of picture (16, 24 or 32 bits per pixel) completed by the
// system colours: always 256 entries. Entries the octree leaves unused repeat
// entry 0, which the lowest-index rule of the lookups never picks.
std::vector<Rgb> buildQuantizedPalette(const Bitmap& picture);

// Lookups: matchColor gives the palette index and the palette colour.
class GrayScaleLookup {
 public:
  std::uint8_t matchColor(int r, int g, int b, Rgb& out) const {
    const auto gray = static_cast<std::uint8_t>((77 * r + 150 * g + 29 * b) >> 8);
    out = {gray, gray, gray};
    return gray;
  }
};

class NetscapeColorLookup {
 public:
  std::uint8_t matchColor(int r, int g, int b, Rgb& out) const {
    const int rc = (r + 3) / 51, gc = (g + 3) / 51, bc = (b + 3) / 51;
    out = {static_cast<std::uint8_t>(51 * rc), static_cast<std::uint8_t>(51 * gc),
           static_cast<std::uint8_t>(51 * bc)};
    return static_cast<std::uint8_t>(36 * rc + 6 * gc + bc);
  }
};

// Nearest palette entry by the sum of channel distances, answered once per 15-bit
// colour cell: every later colour of the same cell gets the same index. Exact
// palette colours map to their lowest index without a search.
class FastColorLookup {
 public:
  explicit FastColorLookup(const std::vector<Rgb>& palette);
  std::uint8_t matchColor(int r, int g, int b, Rgb& out) {
    const unsigned cell = (unsigned(r) >> 3) | (unsigned(g) >> 3 << 5) | (unsigned(b) >> 3 << 10);
    std::uint32_t entry = cache_[cell];
    if (entry == kEmpty) entry = cache_[cell] = packed(search(r, g, b));
    out = {static_cast<std::uint8_t>(entry >> 8), static_cast<std::uint8_t>(entry >> 16),
           static_cast<std::uint8_t>(entry >> 24)};
    return static_cast<std::uint8_t>(entry);
  }

 private:
  // A cell holds the index and its colour together (index | r << 8 | g << 16 |
  // b << 24): the ditherer waits on one load per pixel, not two.
  static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
  std::uint32_t packed(std::size_t index) const {
    const Rgb& c = palette_[index];
    return std::uint32_t(index) | std::uint32_t(c.r) << 8 | std::uint32_t(c.g) << 16 |
           std::uint32_t(c.b) << 24;
  }
  std::size_t search(int r, int g, int b) const;
  std::vector<Rgb> palette_;
  std::vector<std::uint32_t> cache_;
};

// Turns a picture of 16, 24 or 32 bits per pixel into an 8-bit picture with a
// 256-entry colour table (the palette, then black entries). The source is not
// changed. Throws BitmapError when the result cannot be allocated.
Bitmap reduceToIndexed(const Bitmap& picture, ReductionMode mode, DitherKind dither);

// The same, writing one index per pixel into indexes (stride bytes per row) and
// returning the palette (256 entries).
std::vector<Rgb> reduceToIndexes(const Bitmap& picture, ReductionMode mode, DitherKind dither,
                                 std::uint8_t* indexes, std::size_t stride);

// Renders onto the 216-colour cube with Floyd-Steinberg error diffusion: an 8-bit
// picture whose colour table holds the cube's colours then 40 black entries.
// Indexes (stride bytes per row) name colours of colors; indexes beyond it are black.
Bitmap renderOnCube(int width, int height, const std::vector<Rgb>& colors,
                    const std::uint8_t* indexes, std::size_t stride);
// The same for a picture of any pixel format.
Bitmap renderOnCube(const Bitmap& picture);

}  // namespace snaprill
