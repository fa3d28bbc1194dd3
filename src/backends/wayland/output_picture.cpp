#include "backends/wayland/output_picture.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include <wayland-client-protocol.h>

namespace snaprill {

namespace {

// Where a pixel of the upright picture lies in the buffer, as a matrix applied to
// coordinates counted from the picture's centre: first the mirroring (across the
// vertical axis), then the turn back, then the rows' order.
struct Turn {
  int xx, xy, yx, yy;  // buffer x = xx*x + xy*y, buffer y = yx*x + yy*y
};

Turn turnFor(int transform, bool upsideDown) {
  // Counter-clockwise quarter turns; with y pointing down, undoing one maps the
  // picture's (x, y) to the buffer's (y, -x).
  static constexpr Turn kQuarterTurns[] = {
      {1, 0, 0, 1}, {0, 1, -1, 0}, {-1, 0, 0, -1}, {0, -1, 1, 0}};
  Turn turn = kQuarterTurns[transform & 3];
  if ((transform & WL_OUTPUT_TRANSFORM_FLIPPED) != 0) {
    turn.xx = -turn.xx;
    turn.yx = -turn.yx;
  }
  if (upsideDown) {
    turn.yx = -turn.yx;
    turn.yy = -turn.yy;
  }
  return turn;
}

}  // namespace

const std::array<std::uint32_t, 4> kReadableShmFormats = {
    WL_SHM_FORMAT_XRGB8888, WL_SHM_FORMAT_ARGB8888, WL_SHM_FORMAT_XBGR8888, WL_SHM_FORMAT_ABGR8888};

std::optional<Bitmap> uprightPicture(const OutputBuffer& buffer) {
  const bool readable = std::find(kReadableShmFormats.begin(), kReadableShmFormats.end(),
                                  buffer.format) != kReadableShmFormats.end();
  const bool redFirst =
      buffer.format == WL_SHM_FORMAT_ABGR8888 || buffer.format == WL_SHM_FORMAT_XBGR8888;
  if (!readable || buffer.width <= 0 || buffer.height <= 0 || buffer.stride / 4 < buffer.width) {
    return std::nullopt;
  }
  const bool quarter = (buffer.transform & 1) != 0;
  const int width = quarter ? buffer.height : buffer.width;
  const int height = quarter ? buffer.width : buffer.height;
  const Turn turn = turnFor(buffer.transform, buffer.upsideDown);
  Bitmap picture(width, height, 32, Bitmap::Unfilled{});
  const auto stride = static_cast<std::ptrdiff_t>(buffer.stride);
  // One step right in the picture is one pixel step in the buffer, along a row or
  // a column, forwards or backwards.
  const std::ptrdiff_t step = turn.xx * 4 + turn.yx * stride;
  for (int y = 0; y < height; ++y) {
    // Pixel centres counted from the picture's centre, in half pixels, so that
    // every size, odd or even, maps without rounding.
    const int u = 1 - width;
    const int v = 2 * y + 1 - height;
    const int sourceX = (turn.xx * u + turn.xy * v + buffer.width - 1) / 2;
    const int sourceY = (turn.yx * u + turn.yy * v + buffer.height - 1) / 2;
    const std::uint8_t* source = buffer.pixels + sourceY * stride + sourceX * 4;
    std::uint8_t* target = picture.row(y);
    if (step == 4) {
      std::memcpy(target, source, static_cast<std::size_t>(width) * 4);
    } else {
      for (int x = 0; x < width; ++x, source += step) std::memcpy(target + 4 * x, source, 4);
    }
    if (redFirst) {
      for (int x = 0; x < width; ++x) std::swap(target[4 * x], target[4 * x + 2]);
    }
  }
  return picture;
}

}  // namespace snaprill
