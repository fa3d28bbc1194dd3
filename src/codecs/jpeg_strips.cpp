#include "codecs/jpeg_strips.h"

#include <algorithm>

#include "codecs/jpeg.h"

namespace snaprill {

std::vector<int> PlanJpegStrips(int height, int mcuHeight, int maxStrips) {
  const int block = 8 * mcuHeight;
  const int blocks = (height + block - 1) / block;
  const int count = std::min(maxStrips, blocks);
  std::vector<int> rows;
  int top = 0;
  for (int i = 1; i < count; ++i) {
    // The even split, rounded to the nearest block boundary.
    const long long even = static_cast<long long>(i) * height / count;
    const int bottom = static_cast<int>((even + block / 2) / block * block);
    if (bottom <= top || bottom >= height) continue;
    rows.push_back(bottom - top);
    top = bottom;
  }
  rows.push_back(height - top);
  return rows;
}

namespace {

// Offsets in a strip file: the frame header's number of lines (16 bits), the first
// byte of entropy-coded data after the SOS segment, and EOI.
struct StripLayout {
  std::size_t lines = 0;
  std::size_t scanStart = 0;
  std::size_t scanEnd = 0;
};

bool isFrameHeader(std::uint8_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// libjpeg writes SOI, marker segments up to SOS, the scan, EOI, with no fill bytes
// between segments; anything else here is a fault of ours, not of a user's file.
StripLayout parseStrip(const std::vector<std::uint8_t>& f) {
  const auto bad = [] { return JpegError("Unexpected JPEG strip layout"); };
  const std::size_t size = f.size();
  if (size < 4 || f[0] != 0xFF || f[1] != 0xD8 || f[size - 2] != 0xFF || f[size - 1] != 0xD9)
    throw bad();
  StripLayout layout;
  for (std::size_t pos = 2;;) {
    if (pos + 4 > size - 2 || f[pos] != 0xFF) throw bad();
    const std::uint8_t marker = f[pos + 1];
    const std::size_t length = std::size_t{f[pos + 2]} << 8 | f[pos + 3];
    const std::size_t end = pos + 2 + length;
    if (length < 2 || end > size - 2) throw bad();
    if (isFrameHeader(marker)) {
      if (length < 8) throw bad();
      layout.lines = pos + 5;
    }
    if (marker == 0xDA) {
      if (layout.lines == 0) throw bad();
      layout.scanStart = end;
      layout.scanEnd = size - 2;
      return layout;
    }
    pos = end;
  }
}

}  // namespace

void JpegStripJoiner::add(const std::vector<std::uint8_t>& file, int mcuRows) {
  const StripLayout layout = parseStrip(file);
  if (mcuRowsSoFar_ == 0) {
    out_.write(file.data(), layout.lines);
    out_.put16be(static_cast<std::uint16_t>(lines_));
    out_.write(file.data() + layout.lines + 2, layout.scanEnd - layout.lines - 2);
  } else {
    // The marker after the previous strip's last MCU row; RST numbers cycle 0..7.
    const std::uint8_t restart = static_cast<std::uint8_t>(0xD0 + (mcuRowsSoFar_ - 1) % 8);
    const std::uint8_t marker[2] = {0xFF, restart};
    out_.write(marker, 2);
    out_.write(file.data() + layout.scanStart, layout.scanEnd - layout.scanStart);
  }
  mcuRowsSoFar_ += mcuRows;
}

void JpegStripJoiner::finish() {
  out_.put16be(0xFFD9);
}

}  // namespace snaprill
