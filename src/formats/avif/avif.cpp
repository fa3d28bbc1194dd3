#include "formats/avif/avif.h"

#include <avif/avif.h>

#include <algorithm>
#include <memory>
#include <string>

#include "formats/modern_pixels.h"
#include "formats/reader_limits.h"
#include "image/over_white.h"

namespace snaprill {

namespace {

// Chosen by bench/modern_types.py: libaom's speed 8 writes a 4K screenshot well
// within a second on two cores; slower speeds cost seconds for a few per cent.
constexpr int kEncoderSpeed = 8;
constexpr int kEncoderThreads = 2;

struct EncoderDeleter {
  void operator()(avifEncoder* e) const { avifEncoderDestroy(e); }
};
struct DecoderDeleter {
  void operator()(avifDecoder* d) const { avifDecoderDestroy(d); }
};
struct ImageDeleter {
  void operator()(avifImage* i) const { avifImageDestroy(i); }
};

// libavif's output, freed on leaving however that happens.
struct EncodedData {
  avifRWData data = AVIF_DATA_EMPTY;
  EncodedData() = default;
  ~EncodedData() { avifRWDataFree(&data); }
  EncodedData(const EncodedData&) = delete;
  EncodedData& operator=(const EncodedData&) = delete;
};

[[noreturn]] void failed(FormatErrorKind kind, avifResult result) {
  throw FormatError(kind, std::string("libavif: ") + avifResultToString(result));
}

// libavif 0.11 speaks quantizers (0 finest .. 63 coarsest), not qualities.
int quantizerFor(int quality) {
  const int q = std::clamp(quality, 1, 100);
  return ((100 - q) * AVIF_QUANTIZER_WORST_QUALITY + 50) / 100;
}

}  // namespace

void writeAvif(const Bitmap& picture, int quality, ByteSink& out) {
  if (picture.empty()) throw FormatError(FormatErrorKind::Empty, "Empty AVIF image");
  Bitmap spare;
  const Bitmap& pixels = asThirtyTwoBits(picture, spare);
  std::unique_ptr<avifImage, ImageDeleter> image(
      avifImageCreate(static_cast<uint32_t>(pixels.width()), static_cast<uint32_t>(pixels.height()),
                      8, AVIF_PIXEL_FORMAT_YUV444));
  if (!image) throw FormatError(FormatErrorKind::EncoderFailed, "libavif");
  image->colorPrimaries = AVIF_COLOR_PRIMARIES_BT709;
  image->transferCharacteristics = AVIF_TRANSFER_CHARACTERISTICS_SRGB;
  image->matrixCoefficients = AVIF_MATRIX_COEFFICIENTS_BT601;
  image->yuvRange = AVIF_RANGE_FULL;

  avifRGBImage rgb;
  avifRGBImageSetDefaults(&rgb, image.get());
  rgb.format = AVIF_RGB_FORMAT_BGRA;
  rgb.ignoreAlpha = AVIF_TRUE;
  rgb.pixels = const_cast<std::uint8_t*>(pixels.row(0));
  rgb.rowBytes = static_cast<uint32_t>(pixels.stride());
  if (const avifResult r = avifImageRGBToYUV(image.get(), &rgb); r != AVIF_RESULT_OK) {
    failed(FormatErrorKind::EncoderFailed, r);
  }

  std::unique_ptr<avifEncoder, EncoderDeleter> encoder(avifEncoderCreate());
  if (!encoder) throw FormatError(FormatErrorKind::EncoderFailed, "libavif");
  encoder->speed = kEncoderSpeed;
  encoder->maxThreads = kEncoderThreads;
  encoder->minQuantizer = encoder->maxQuantizer = quantizerFor(quality);
  EncodedData output;
  if (const avifResult r = avifEncoderWrite(encoder.get(), image.get(), &output.data);
      r != AVIF_RESULT_OK) {
    failed(FormatErrorKind::EncoderFailed, r);
  }
  out.write(output.data.data, output.data.size);
}

Bitmap readAvif(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<avifDecoder, DecoderDeleter> decoder(avifDecoderCreate());
  if (!decoder) throw FormatError(FormatErrorKind::Damaged, "libavif");
  decoder->maxThreads = 1;
  decoder->imageSizeLimit = static_cast<uint32_t>(kMaxPicturePixels);
  decoder->ignoreExif = decoder->ignoreXMP = AVIF_TRUE;
  if (const avifResult r = avifDecoderSetIOMemory(decoder.get(), data, size); r != AVIF_RESULT_OK) {
    failed(FormatErrorKind::Damaged, r);
  }
  if (const avifResult r = avifDecoderParse(decoder.get()); r != AVIF_RESULT_OK) {
    failed(
        r == AVIF_RESULT_INVALID_FTYP ? FormatErrorKind::NotThisFormat : FormatErrorKind::Damaged,
        r);
  }
  Bitmap picture = decodedPictureFor(decoder->image->width, decoder->image->height, size, "AVIF");
  if (const avifResult r = avifDecoderNextImage(decoder.get()); r != AVIF_RESULT_OK) {
    failed(r == AVIF_RESULT_TRUNCATED_DATA ? FormatErrorKind::Truncated : FormatErrorKind::Damaged,
           r);
  }
  const avifImage* image = decoder->image;
  if (image->width != static_cast<uint32_t>(picture.width()) ||
      image->height != static_cast<uint32_t>(picture.height())) {
    throw FormatError(FormatErrorKind::Damaged, "AVIF picture size changed while decoding");
  }
  avifRGBImage rgb;
  avifRGBImageSetDefaults(&rgb, image);
  rgb.format = AVIF_RGB_FORMAT_BGRA;
  rgb.depth = 8;
  rgb.pixels = picture.row(0);
  rgb.rowBytes = static_cast<uint32_t>(picture.stride());
  if (const avifResult r = avifImageYUVToRGB(image, &rgb); r != AVIF_RESULT_OK) {
    failed(FormatErrorKind::Damaged, r);
  }
  flattenOntoWhite(picture, false);
  return picture;
}

}  // namespace snaprill
