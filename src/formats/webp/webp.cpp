#include "formats/webp/webp.h"

#include <webp/decode.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include "formats/modern_pixels.h"
#include "formats/modern_types.h"
#include "image/over_white.h"

namespace snaprill {

namespace {

// Chosen by bench/modern_types.py: a 4K screenshot is written in a fraction of a
// second, where the slower levels win only a few per cent of size.
constexpr int kLosslessLevel = 1;  // WebPConfigLosslessPreset: 0 fastest .. 9 smallest
constexpr int kLossyMethod = 2;    // 0 fastest .. 6 smallest
constexpr int kWebpMaxSide = WEBP_MAX_DIMENSION;

WebPConfig configFor(int quality) {
  WebPConfig config;
  if (!WebPConfigInit(&config)) throw FormatError(FormatErrorKind::EncoderFailed, "libwebp");
  if (quality >= kLosslessQuality) {
    WebPConfigLosslessPreset(&config, kLosslessLevel);
  } else {
    config.quality = static_cast<float>(quality < 1 ? 1 : quality);
    config.method = kLossyMethod;
  }
  return config;
}

void checkSize(const Bitmap& picture) {
  if (picture.empty()) throw FormatError(FormatErrorKind::Empty, "Empty WebP image");
  if (picture.width() > kWebpMaxSide || picture.height() > kWebpMaxSide) {
    throw FormatError(FormatErrorKind::TooLarge, "The bitmap is too large for a WebP file");
  }
}

// A libwebp picture of a bitmap's pixels, freed on leaving.
class WebpPicture {
 public:
  explicit WebpPicture(const Bitmap& picture, bool lossless) {
    checkSize(picture);
    WebPPictureInit(&picture_);
    picture_.use_argb = lossless ? 1 : 0;
    picture_.width = picture.width();
    picture_.height = picture.height();
    Bitmap spare;
    const Bitmap& pixels = asThirtyTwoBits(picture, spare);
    if (!WebPPictureImportBGRX(&picture_, pixels.row(0), static_cast<int>(pixels.stride()))) {
      WebPPictureFree(&picture_);
      throw FormatError(FormatErrorKind::EncoderFailed, "libwebp could not take the picture");
    }
  }
  ~WebpPicture() { WebPPictureFree(&picture_); }
  WebpPicture(const WebpPicture&) = delete;
  WebpPicture& operator=(const WebpPicture&) = delete;
  WebPPicture* get() { return &picture_; }

 private:
  WebPPicture picture_{};
};

// libwebp's output buffers, freed on leaving however that happens.
struct EncodedMemory {
  WebPMemoryWriter writer;
  EncodedMemory() { WebPMemoryWriterInit(&writer); }
  ~EncodedMemory() { WebPMemoryWriterClear(&writer); }
  EncodedMemory(const EncodedMemory&) = delete;
  EncodedMemory& operator=(const EncodedMemory&) = delete;
};
struct AssembledAnimation {
  WebPData data;
  AssembledAnimation() { WebPDataInit(&data); }
  ~AssembledAnimation() { WebPDataClear(&data); }
  AssembledAnimation(const AssembledAnimation&) = delete;
  AssembledAnimation& operator=(const AssembledAnimation&) = delete;
};

void encoderFailed(int code) {
  throw FormatError(FormatErrorKind::EncoderFailed,
                    "libwebp gave up (error " + std::to_string(code) + ")");
}

}  // namespace

void writeWebp(const Bitmap& picture, int quality, ByteSink& out) {
  WebPConfig config = configFor(quality);
  WebpPicture input(picture, config.lossless != 0);
  EncodedMemory memory;
  input.get()->writer = WebPMemoryWrite;
  input.get()->custom_ptr = &memory.writer;
  if (!WebPEncode(&config, input.get())) encoderFailed(input.get()->error_code);
  out.write(memory.writer.mem, memory.writer.size);
}

Bitmap readWebp(const std::uint8_t* data, std::size_t size) {
  WebPBitstreamFeatures features;
  const VP8StatusCode status = WebPGetFeatures(data, size, &features);
  if (status == VP8_STATUS_NOT_ENOUGH_DATA) {
    throw FormatError(FormatErrorKind::Truncated, "WebP data truncated");
  }
  if (status != VP8_STATUS_OK) throw FormatError(FormatErrorKind::Damaged, "WebP data damaged");
  if (features.has_animation) {
    throw FormatError(FormatErrorKind::Unsupported, "Animated WebP pictures are not read");
  }
  Bitmap picture = decodedPictureFor(static_cast<std::uint32_t>(features.width),
                                     static_cast<std::uint32_t>(features.height), size, "WebP");
  if (!WebPDecodeBGRAInto(data, size, picture.row(0), picture.bits().size(),
                          static_cast<int>(picture.stride()))) {
    throw FormatError(FormatErrorKind::Damaged, "WebP data damaged");
  }
  flattenOntoWhite(picture, false);
  return picture;
}

struct WebpAnimation::Encoder {
  WebPAnimEncoder* encoder = nullptr;
  ~Encoder() { WebPAnimEncoderDelete(encoder); }
};

WebpAnimation::WebpAnimation(int width, int height, int quality)
    : encoder_(std::make_unique<Encoder>()), quality_(quality) {
  WebPAnimEncoderOptions options;
  if (!WebPAnimEncoderOptionsInit(&options)) encoderFailed(0);
  // Screens between captures mostly stand still: libwebp writes only what changed.
  options.allow_mixed = 0;
  encoder_->encoder = WebPAnimEncoderNew(width, height, &options);
  if (!encoder_->encoder) encoderFailed(0);
}

WebpAnimation::~WebpAnimation() = default;

void WebpAnimation::addFrame(const Bitmap& frame, int delayMs) {
  WebPConfig config = configFor(quality_);
  WebpPicture input(frame, true);
  if (!WebPAnimEncoderAdd(encoder_->encoder, input.get(), timestampMs_, &config)) {
    encoderFailed(input.get()->error_code);
  }
  timestampMs_ += delayMs;
  ++frames_;
}

void WebpAnimation::finish(ByteSink& out) {
  if (frames_ == 0) throw FormatError(FormatErrorKind::Empty, "An animation without frames");
  // The end time gives the last frame its delay.
  if (!WebPAnimEncoderAdd(encoder_->encoder, nullptr, timestampMs_, nullptr)) encoderFailed(0);
  AssembledAnimation assembled;
  if (!WebPAnimEncoderAssemble(encoder_->encoder, &assembled.data)) encoderFailed(0);
  out.write(assembled.data.bytes, assembled.data.size);
}

}  // namespace snaprill
