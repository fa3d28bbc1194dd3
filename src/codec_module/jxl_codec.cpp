// JPEG XL through libjxl; we write the bare codestream.
#include <jxl/decode_cxx.h>
#include <jxl/encode_cxx.h>
#include <jxl/thread_parallel_runner_cxx.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "codec_module/codecs.h"

namespace snaprill::codec_module {

namespace {

// Stands for lossless, one step beyond the quality scale (formats/modern_types.h).
constexpr int kLosslessQuality = 101;

// Chosen by bench/jxl_choice.py with Debian 12's libjxl 0.7, on generated and real
// screenshots: no setting writes a 4K screenshot as small as PNG level 6 within 1.5 s
// on 2 processors. Lossless effort 2 is the quickest near it (about half a second at
// 4K, 0.85 to 1.45 times PNG 6's size); effort 1 is larger and no faster, 3 larger
// still, and 4, the first below PNG 6 on every screenshot, spends over 2 s mostly on
// one processor; lossy distances 1 and 2 are no smaller. The type picker says so and
// recommends WebP for screenshots.
constexpr int kEffort = 2;

[[noreturn]] void encoderFailed() {
  throw Failure{SNAPRILL_CODEC_ENCODER_FAILED, "libjxl gave up"};
}

[[noreturn]] void damaged(int result, const char* what) {
  throw Failure{result, what};
}

// cjxl's mapping of a JPEG-like quality to a butteraugli distance.
float distanceFor(int quality) {
  const double q = std::clamp(quality, 1, 100);
  const double d =
      q >= 30 ? 0.1 + (100.0 - q) * 0.09 : 6.4 + std::pow(2.5, (30.0 - q) / 5.0) / 6.25;
  return static_cast<float>(d);
}

// Rows as R G B triples, the one 8-bit layout libjxl 0.7 takes without alpha.
std::vector<std::uint8_t> packedRgb(const SnaprillCodecPixels& pixels) {
  const std::size_t width = pixels.width;
  std::vector<std::uint8_t> rgb(width * 3 * pixels.height);
  std::uint8_t* d = rgb.data();
  for (std::size_t y = 0; y < pixels.height; ++y) {
    const std::uint8_t* s = pixels.rows + y * pixels.stride;
    for (std::size_t x = 0; x < width; ++x, s += 4, d += 3) {
      d[0] = s[2];
      d[1] = s[1];
      d[2] = s[0];
    }
  }
  return rgb;
}

}  // namespace

// 8-bit sRGB: lossless (modular) for kLosslessQuality, else lossy at quality 1..100
// (mapped to a distance as cjxl maps its -q).
void writeJxl(const SnaprillCodecPixels& pixels, int quality, const SnaprillCodecOutput& out) {
  const bool lossless = quality >= kLosslessQuality;
  JxlEncoderPtr encoder = JxlEncoderMake(nullptr);
  if (!encoder) encoderFailed();
  // Every core: one alone takes about a second for a 4K screenshot.
  JxlThreadParallelRunnerPtr runner =
      JxlThreadParallelRunnerMake(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads());
  if (!runner || JxlEncoderSetParallelRunner(encoder.get(), JxlThreadParallelRunner,
                                             runner.get()) != JXL_ENC_SUCCESS) {
    encoderFailed();
  }
  JxlBasicInfo info;
  JxlEncoderInitBasicInfo(&info);
  info.xsize = pixels.width;
  info.ysize = pixels.height;
  info.bits_per_sample = 8;
  info.num_color_channels = 3;
  info.uses_original_profile = lossless ? JXL_TRUE : JXL_FALSE;
  if (JxlEncoderSetBasicInfo(encoder.get(), &info) != JXL_ENC_SUCCESS) encoderFailed();
  JxlColorEncoding colour;
  JxlColorEncodingSetToSRGB(&colour, JXL_FALSE);
  if (JxlEncoderSetColorEncoding(encoder.get(), &colour) != JXL_ENC_SUCCESS) encoderFailed();

  JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(encoder.get(), nullptr);
  if (!settings) encoderFailed();
  JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_EFFORT, kEffort);
  const bool set =
      lossless ? JxlEncoderSetFrameLossless(settings, JXL_TRUE) == JXL_ENC_SUCCESS
               : JxlEncoderSetFrameDistance(settings, distanceFor(quality)) == JXL_ENC_SUCCESS;
  if (!set) encoderFailed();

  const std::vector<std::uint8_t> rgb = packedRgb(pixels);
  const JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
  if (JxlEncoderAddImageFrame(settings, &format, rgb.data(), rgb.size()) != JXL_ENC_SUCCESS) {
    encoderFailed();
  }
  JxlEncoderCloseInput(encoder.get());

  std::vector<std::uint8_t> chunk(std::size_t{1} << 16);
  for (;;) {
    std::uint8_t* next = chunk.data();
    std::size_t room = chunk.size();
    const JxlEncoderStatus status = JxlEncoderProcessOutput(encoder.get(), &next, &room);
    if (status == JXL_ENC_ERROR) encoderFailed();
    put(out, chunk.data(), chunk.size() - room);
    if (status == JXL_ENC_SUCCESS) return;
  }
}

// The first frame, R G B A: the rest of an animation is not read.
void readJxl(const std::uint8_t* data, std::size_t size, const SnaprillCodecCanvas& canvas) {
  JxlDecoderPtr decoder = JxlDecoderMake(nullptr);
  if (!decoder) damaged(SNAPRILL_CODEC_DAMAGED, "libjxl");
  if (JxlDecoderSubscribeEvents(decoder.get(), JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE) !=
          JXL_DEC_SUCCESS ||
      JxlDecoderSetInput(decoder.get(), data, size) != JXL_DEC_SUCCESS) {
    damaged(SNAPRILL_CODEC_DAMAGED, "libjxl");
  }
  JxlDecoderCloseInput(decoder.get());
  const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
  SnaprillCodecPixels pixels{};
  for (;;) {
    switch (JxlDecoderProcessInput(decoder.get())) {
      case JXL_DEC_BASIC_INFO: {
        JxlBasicInfo info;
        if (JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS) {
          damaged(SNAPRILL_CODEC_DAMAGED, "JPEG XL header damaged");
        }
        pixels = canvasFor(canvas, info.xsize, info.ysize);
        break;
      }
      case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
        std::size_t needed = 0;
        if (pixels.rows == nullptr ||
            JxlDecoderImageOutBufferSize(decoder.get(), &format, &needed) != JXL_DEC_SUCCESS ||
            needed != pixels.stride * pixels.height ||
            JxlDecoderSetImageOutBuffer(decoder.get(), &format, pixels.rows, needed) !=
                JXL_DEC_SUCCESS) {
          damaged(SNAPRILL_CODEC_DAMAGED, "JPEG XL data damaged");
        }
        break;
      }
      case JXL_DEC_FULL_IMAGE:
        return;
      case JXL_DEC_NEED_MORE_INPUT:
        damaged(SNAPRILL_CODEC_TRUNCATED, "JPEG XL data truncated");
      case JXL_DEC_SUCCESS:
        damaged(SNAPRILL_CODEC_EMPTY, "A JPEG XL file without a picture");
      default:
        damaged(SNAPRILL_CODEC_DAMAGED, "JPEG XL data damaged");
    }
  }
}

}  // namespace snaprill::codec_module
