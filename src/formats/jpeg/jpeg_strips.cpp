// Strips of a picture compressed side by side and joined into one baseline scan
// (ITU-T T.81, B.2.4.4 and F.1.2.3):
//
//   strip 0's file up to the end of its SOS segment: SOI, APP0, DQT, SOF0 (its
//     height made the picture's), DHT, DRI (the restart interval: one strip), SOS
//   strip 0's entropy-coded data, FF D0, strip 1's data, FF D1, ... strip n-1's data
//     (the restart markers count RST0 to RST7 and round again)
//   EOI (FF D9)
//
// Each strip is compressed as a file of its own with that restart interval, which
// it fills exactly: its data starts with the DC predictions at zero and ends padded
// with 1-bits to a byte, as an interval before a restart marker does. Strips are
// whole rows of MCUs (16 rows at the library's default 2x2 sampling of luma), so no
// strip's blocks reach into another's rows. The file is byte for byte the one a
// single compression with that restart interval writes.
#include <algorithm>
#include <functional>
#include <vector>

#include "base/ordered_parts.h"
#include "base/worker_thread.h"
#include "formats/jpeg/jpeg_strips.h"

namespace snaprill {

namespace {

constexpr int kMcuSize = 16;
// The restart interval is a 16-bit count of MCUs.
constexpr int kMostMcusPerInterval = 65535;
// libjpeg's JPEG_MAX_DIMENSION: beyond it the one-piece writer reports the picture
// too large, as it always has.
constexpr int kMostSide = 65500;

// Measured by bench/jpeg_bench.cpp on 2 processors: strips save 2 ms of the 5 ms a
// 1920x1080 picture takes, within what a whole run varies, and so it is written in
// one piece; from 2560x1440 on they halve the time. Strips of 8 rows of MCUs share
// the work evenly and cost 2 % more processor time and a few bytes each.
constexpr long kStripsFromPixels = 3000000L;
constexpr int kStripMcuRows = 8;

[[noreturn]] void unexpectedLayout() {
  throw FormatError(FormatErrorKind::EncoderFailed, "libjpeg wrote an unexpected strip");
}

// Where a strip file's entropy-coded data starts: just past its SOS segment. With
// a height, the frame header takes it as the picture's.
std::size_t scanStart(std::vector<std::uint8_t>& file, int height) {
  std::size_t pos = 2;  // past SOI
  while (pos + 4 <= file.size() && file[pos] == 0xFF) {
    const std::uint8_t marker = file[pos + 1];
    const std::size_t length = std::size_t{file[pos + 2]} << 8 | file[pos + 3];
    if (marker == 0xC0 && height > 0 && pos + 7 <= file.size()) {
      file[pos + 5] = static_cast<std::uint8_t>(height >> 8);
      file[pos + 6] = static_cast<std::uint8_t>(height);
    }
    if (marker == 0xDA) return pos + 2 + length;
    pos += 2 + length;
  }
  unexpectedLayout();
}

int mcusPerRow(const Bitmap& picture) {
  return (picture.width() + kMcuSize - 1) / kMcuSize;
}

}  // namespace

JpegStrips jpegStripsFor(const Bitmap& picture) {
  const int threads = usableProcessors();
  const long pixels = static_cast<long>(picture.width()) * picture.height();
  if (threads < 2 || pixels < kStripsFromPixels) return JpegStrips{};
  return JpegStrips{kStripMcuRows, threads};
}

namespace jpeg_detail {

void writeStrips(const Bitmap& picture, int quality, const JpegStrips& strips, ByteSink& out) {
  const int height = picture.height();
  // Each strip would fit a frame's 16-bit sides, and the joined file's height would
  // wrap around: such a picture goes to libjpeg in one piece, which refuses it.
  if (picture.width() > kMostSide || height > kMostSide) {
    compressRows(picture, quality, {0, height, 0}, nullptr, out);
    return;
  }
  // One interval per strip, which the 16-bit interval must be able to count.
  const int mcuRows =
      std::clamp(strips.mcuRows, 1, std::max(1, kMostMcusPerInterval / mcusPerRow(picture)));
  const int stripRows = mcuRows * kMcuSize;
  const auto count = static_cast<std::size_t>((height + stripRows - 1) / stripRows);
  const std::function<std::vector<std::uint8_t>(std::size_t)> make = [&](std::size_t i) {
    MemorySink strip;
    const int first = static_cast<int>(i) * stripRows;
    compressRows(picture, quality, {first, std::min(stripRows, height - first), mcuRows}, nullptr,
                 strip);
    return std::move(strip.bytes);
  };
  makeInOrder<std::vector<std::uint8_t>>(
      count, strips.threads, make, [&](std::size_t i, std::vector<std::uint8_t>& file) {
        const std::size_t start = scanStart(file, i == 0 ? height : 0);
        const std::size_t end = file.size() - 2;
        if (end < start || file[end] != 0xFF || file[end + 1] != 0xD9) unexpectedLayout();
        if (i == 0) {
          out.write(file.data(), start);
        } else {
          const std::uint8_t restart[2] = {0xFF, static_cast<std::uint8_t>(0xD0 + (i - 1) % 8)};
          out.write(restart, 2);
        }
        out.write(file.data() + start, end - start);
      });
  const std::uint8_t endOfImage[2] = {0xFF, 0xD9};
  out.write(endOfImage, 2);
}

}  // namespace jpeg_detail

}  // namespace snaprill
