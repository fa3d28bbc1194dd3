#include "formats/jxl/jxl.h"

#include <jxl/decode_cxx.h>
#include <jxl/encode_cxx.h>
#include <jxl/thread_parallel_runner_cxx.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "formats/modern_pixels.h"
#include "formats/modern_types.h"
#include "image/over_white.h"

namespace snaprill {

namespace {

// Chosen by bench/jxl_choice.py with Debian 12's libjxl 0.7, on generated and real
// screenshots: no setting writes a 4K screenshot as small as PNG level 6 within 1.5 s
// on 2 processors. Lossless effort 2 is the quickest near it (about half a second at
// 4K, 0.85 to 1.45 times PNG 6's size); effort 1 is larger and no faster, 3 larger
// still, and 4, the first below PNG 6 on every screenshot, spends over 2 s mostly on
// one processor; lossy distances 1 and 2 are no smaller. The type picker says so and
// recommends WebP for screenshots.
constexpr int kEffort = 2;

[[noreturn]] void encoderFailed() {
  throw FormatError(FormatErrorKind::EncoderFailed, "libjxl gave up");
}

// cjxl's mapping of a JPEG-like quality to a butteraugli distance.
float distanceFor(int quality) {
  const double q = std::clamp(quality, 1, 100);
  const double d =
      q >= 30 ? 0.1 + (100.0 - q) * 0.09 : 6.4 + std::pow(2.5, (30.0 - q) / 5.0) / 6.25;
  return static_cast<float>(d);
}

// Rows as R G B triples, the one 8-bit layout libjxl 0.7 takes without alpha.
std::vector<std::uint8_t> packedRgb(const Bitmap& picture) {
  Bitmap spare;
  const Bitmap& pixels = asThirtyTwoBits(picture, spare);
  const auto width = static_cast<std::size_t>(pixels.width());
  std::vector<std::uint8_t> rgb(width * 3 * static_cast<std::size_t>(pixels.height()));
  for (int y = 0; y < pixels.height(); ++y)
    bgrxToRgb(pixels.row(y), width, rgb.data() + width * 3 * static_cast<std::size_t>(y));
  return rgb;
}

}  // namespace

void writeJxl(const Bitmap& picture, int quality, ByteSink& out) {
  if (picture.empty()) throw FormatError(FormatErrorKind::Empty, "Empty JPEG XL image");
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
  info.xsize = static_cast<uint32_t>(picture.width());
  info.ysize = static_cast<uint32_t>(picture.height());
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

  const std::vector<std::uint8_t> rgb = packedRgb(picture);
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
    out.write(chunk.data(), chunk.size() - room);
    if (status == JXL_ENC_SUCCESS) return;
  }
}

Bitmap readJxl(const std::uint8_t* data, std::size_t size) {
  JxlDecoderPtr decoder = JxlDecoderMake(nullptr);
  if (!decoder) throw FormatError(FormatErrorKind::Damaged, "libjxl");
  if (JxlDecoderSubscribeEvents(decoder.get(), JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE) !=
          JXL_DEC_SUCCESS ||
      JxlDecoderSetInput(decoder.get(), data, size) != JXL_DEC_SUCCESS) {
    throw FormatError(FormatErrorKind::Damaged, "libjxl");
  }
  JxlDecoderCloseInput(decoder.get());
  const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
  Bitmap picture;
  for (;;) {
    switch (JxlDecoderProcessInput(decoder.get())) {
      case JXL_DEC_BASIC_INFO: {
        JxlBasicInfo info;
        if (JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS) {
          throw FormatError(FormatErrorKind::Damaged, "JPEG XL header damaged");
        }
        picture = decodedPictureFor(info.xsize, info.ysize, size, "JPEG XL");
        break;
      }
      case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
        std::size_t needed = 0;
        if (picture.empty() ||
            JxlDecoderImageOutBufferSize(decoder.get(), &format, &needed) != JXL_DEC_SUCCESS ||
            needed != picture.bits().size() ||
            JxlDecoderSetImageOutBuffer(decoder.get(), &format, picture.row(0), needed) !=
                JXL_DEC_SUCCESS) {
          throw FormatError(FormatErrorKind::Damaged, "JPEG XL data damaged");
        }
        break;
      }
      case JXL_DEC_FULL_IMAGE:
        // The first frame is the picture; the rest of an animation is not read.
        flattenOntoWhite(picture, true);
        return picture;
      case JXL_DEC_NEED_MORE_INPUT:
        throw FormatError(FormatErrorKind::Truncated, "JPEG XL data truncated");
      case JXL_DEC_SUCCESS:
        throw FormatError(FormatErrorKind::Empty, "A JPEG XL file without a picture");
      default:
        throw FormatError(FormatErrorKind::Damaged, "JPEG XL data damaged");
    }
  }
}

}  // namespace snaprill
