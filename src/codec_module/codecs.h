// The codecs inside the module, in C++ with the module's own C++ library; only
// codec_module.cpp's entry points are seen from outside.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "codec_module/codec_module.h"

namespace snaprill::codec_module {

// What the codecs throw; the entry points turn it into their result and message.
struct Failure {
  int result;
  std::string message;
};

// Hands bytes to the program; Failure STOPPED when it refuses them.
void put(const SnaprillCodecOutput& out, const std::uint8_t* data, std::size_t size);
// The program's pixels for width x height; Failure STOPPED when it refuses them.
SnaprillCodecPixels canvasFor(const SnaprillCodecCanvas& canvas, std::uint32_t width,
                              std::uint32_t height);

void writeAvif(const SnaprillCodecPixels& picture, int quality, const SnaprillCodecOutput& out);
void readAvif(const std::uint8_t* data, std::size_t size, const SnaprillCodecCanvas& canvas);
void writeJxl(const SnaprillCodecPixels& picture, int quality, const SnaprillCodecOutput& out);
void readJxl(const std::uint8_t* data, std::size_t size, const SnaprillCodecCanvas& canvas);

}  // namespace snaprill::codec_module
