// One output's picture as screencopy hands it over, made into what the user sees.
// The compositor copies the output's pixels as they go to the monitor: on a turned
// or mirrored monitor that is the desktop turned back the other way, and some
// renderers hand the rows over bottom row first (the frame's y-invert flag).
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "image/bitmap.h"

namespace snaprill {

struct OutputBuffer {
  std::uint32_t format = 0;  // a wl_shm format
  int width = 0;
  int height = 0;
  int stride = 0;
  bool upsideDown = false;  // rows bottom row first
  int transform = 0;        // wl_output's transform: quarter turns, + 4 when mirrored
  const std::uint8_t* pixels = nullptr;
};

// The picture upright, 32 bpp, width and height swapped for a quarter turn; nothing
// for a pixel format other than the four 32-bit ones or a buffer whose rows do not
// hold its width.
std::optional<Bitmap> uprightPicture(const OutputBuffer& buffer);

// The shared-memory formats uprightPicture reads, best first: XRGB8888 in little
// endian is our own B G R X.
extern const std::array<std::uint32_t, 4> kReadableShmFormats;

}  // namespace snaprill
