// One memory budget for every reader of pictures that come from outside: overlay
// pictures, snaprill-batch's input and pictures other programs put on the clipboard.
//
// A reader refuses, before it allocates anything for the picture:
//   - a file larger than kMaxPictureFileBytes (files are read whole);
//   - a picture of more than kMaxPicturePixels pixels, whatever its format;
//   - a picture its data cannot plausibly cover: each compressed format has a
//     largest ratio between pixels and the bytes that describe them (a run-length
//     packet, a deflate stream at its best, the least a JPEG block can be coded in),
//     and a header that claims more pixels than the bytes present can hold is a lie.
// Within the budget a decoded picture takes at most 256 MiB at 32 bits per pixel, and
// no reader holds more than about that much again while it works.
#pragma once

#include <cstddef>
#include <cstdint>

namespace snaprill {

// 64 Mi pixels: two 8K screens side by side (2 x 7680 x 4320) still fit.
inline constexpr std::uint64_t kMaxPicturePixels = std::uint64_t{1} << 26;

// The largest picture file read into memory: an uncompressed picture of the pixel
// budget takes 256 MiB at 32 bits, run-length data at worst about half as much again.
inline constexpr std::size_t kMaxPictureFileBytes = std::size_t{512} << 20;

// Pictures read by general readers whose formats can describe a flat area in very
// few bytes (WebP, TIFF, run-length BMP) get one bound for all: a flat 8K screen as
// lossless WebP takes about 25000 pixels per byte, and nothing real comes near this.
// A few bytes claiming a screen-sized picture would otherwise cost seconds and a
// gigabyte of memory before anything could be said about them.
inline constexpr std::uint64_t kMostPixelsPerByte = std::uint64_t{1} << 16;

// Whether a picture of width x height pixels stays within kMaxPicturePixels; any
// sides up to 2^32 are safe from overflow.
constexpr bool withinPixelBudget(std::uint64_t width, std::uint64_t height) {
  return width <= kMaxPicturePixels && height <= kMaxPicturePixels &&
         width * height <= kMaxPicturePixels;
}

}  // namespace snaprill
