#include <algorithm>
#include <cstring>
#include <new>

#include "codec_module/codecs.h"

namespace snaprill::codec_module {

void put(const SnaprillCodecOutput& out, const std::uint8_t* data, std::size_t size) {
  if (size > 0 && out.write(out.context, data, size) == 0)
    throw Failure{SNAPRILL_CODEC_STOPPED, {}};
}

SnaprillCodecPixels canvasFor(const SnaprillCodecCanvas& canvas, std::uint32_t width,
                              std::uint32_t height) {
  SnaprillCodecPixels pixels{};
  if (canvas.make(canvas.context, width, height, &pixels) == 0 || pixels.rows == nullptr) {
    throw Failure{SNAPRILL_CODEC_STOPPED, {}};
  }
  return pixels;
}

namespace {

template <class Work>
int guarded(char* message, std::size_t messageSize, int otherwise, Work work) {
  std::string text;
  int result = otherwise;
  try {
    work();
    return SNAPRILL_CODEC_DONE;
  } catch (const Failure& failure) {
    result = failure.result;
    text = failure.message;
  } catch (const std::bad_alloc&) {
    text = "out of memory";
  } catch (...) {
    text = "unexpected failure";
  }
  if (messageSize > 0) {
    const std::size_t n = std::min(text.size(), messageSize - 1);
    std::memcpy(message, text.data(), n);
    message[n] = '\0';
  }
  return result;
}

// The module's codecs, one row each.
struct Codec {
  int id;
  void (*write)(const SnaprillCodecPixels&, int, const SnaprillCodecOutput&);
  void (*read)(const std::uint8_t*, std::size_t, const SnaprillCodecCanvas&);
};
constexpr Codec kCodecs[] = {
    {SNAPRILL_CODEC_AVIF, writeAvif, readAvif},
    {SNAPRILL_CODEC_JPEG_XL, writeJxl, readJxl},
};

// Failure `otherwise` for an id the module does not know.
const Codec& codecOf(int id, int otherwise) {
  for (const Codec& codec : kCodecs) {
    if (codec.id == id) return codec;
  }
  throw Failure{otherwise, "no such codec"};
}

}  // namespace

}  // namespace snaprill::codec_module

using namespace snaprill::codec_module;

extern "C" __attribute__((visibility("default"))) int snaprill_codec_write(
    int codec, const SnaprillCodecPixels* picture, int quality, const SnaprillCodecOutput* out,
    char* message, size_t messageSize) {
  return guarded(message, messageSize, SNAPRILL_CODEC_ENCODER_FAILED, [&] {
    codecOf(codec, SNAPRILL_CODEC_ENCODER_FAILED).write(*picture, quality, *out);
  });
}

extern "C" __attribute__((visibility("default"))) int snaprill_codec_read(
    int codec, const uint8_t* data, size_t size, const SnaprillCodecCanvas* canvas, char* message,
    size_t messageSize) {
  return guarded(message, messageSize, SNAPRILL_CODEC_DAMAGED,
                 [&] { codecOf(codec, SNAPRILL_CODEC_DAMAGED).read(data, size, *canvas); });
}
