// AVIF through libavif (AV1 through the codec libavif was built with: libaom on
// Debian).
#include <avif/avif.h>

#include <algorithm>
#include <memory>
#include <string>

#include "codec_module/codecs.h"

namespace snaprill::codec_module {

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

[[noreturn]] void failed(int result, avifResult why) {
  throw Failure{result, std::string("libavif: ") + avifResultToString(why)};
}

// libavif 0.11 speaks quantizers (0 finest .. 63 coarsest), not qualities.
int quantizerFor(int quality) {
  const int q = std::clamp(quality, 1, 100);
  return ((100 - q) * AVIF_QUANTIZER_WORST_QUALITY + 50) / 100;
}

}  // namespace

// 8-bit 4:4:4: coloured text smears at 4:2:0.
void writeAvif(const SnaprillCodecPixels& pixels, int quality, const SnaprillCodecOutput& out) {
  std::unique_ptr<avifImage, ImageDeleter> image(
      avifImageCreate(pixels.width, pixels.height, 8, AVIF_PIXEL_FORMAT_YUV444));
  if (!image) throw Failure{SNAPRILL_CODEC_ENCODER_FAILED, "libavif"};
  image->colorPrimaries = AVIF_COLOR_PRIMARIES_BT709;
  image->transferCharacteristics = AVIF_TRANSFER_CHARACTERISTICS_SRGB;
  image->matrixCoefficients = AVIF_MATRIX_COEFFICIENTS_BT601;
  image->yuvRange = AVIF_RANGE_FULL;

  avifRGBImage rgb;
  avifRGBImageSetDefaults(&rgb, image.get());
  rgb.format = AVIF_RGB_FORMAT_BGRA;
  rgb.ignoreAlpha = AVIF_TRUE;
  rgb.pixels = pixels.rows;
  rgb.rowBytes = static_cast<uint32_t>(pixels.stride);
  if (const avifResult r = avifImageRGBToYUV(image.get(), &rgb); r != AVIF_RESULT_OK) {
    failed(SNAPRILL_CODEC_ENCODER_FAILED, r);
  }

  std::unique_ptr<avifEncoder, EncoderDeleter> encoder(avifEncoderCreate());
  if (!encoder) throw Failure{SNAPRILL_CODEC_ENCODER_FAILED, "libavif"};
  encoder->speed = kEncoderSpeed;
  encoder->maxThreads = kEncoderThreads;
  encoder->minQuantizer = encoder->maxQuantizer = quantizerFor(quality);
  EncodedData output;
  if (const avifResult r = avifEncoderWrite(encoder.get(), image.get(), &output.data);
      r != AVIF_RESULT_OK) {
    failed(SNAPRILL_CODEC_ENCODER_FAILED, r);
  }
  put(out, output.data.data, output.data.size);
}

// Any depth and subsampling; the opacity is left in the fourth bytes.
void readAvif(const std::uint8_t* data, std::size_t size, const SnaprillCodecCanvas& canvas) {
  std::unique_ptr<avifDecoder, DecoderDeleter> decoder(avifDecoderCreate());
  if (!decoder) throw Failure{SNAPRILL_CODEC_DAMAGED, "libavif"};
  decoder->maxThreads = 1;
  decoder->imageSizeLimit = canvas.maxPixels;
  decoder->ignoreExif = decoder->ignoreXMP = AVIF_TRUE;
  if (const avifResult r = avifDecoderSetIOMemory(decoder.get(), data, size); r != AVIF_RESULT_OK) {
    failed(SNAPRILL_CODEC_DAMAGED, r);
  }
  if (const avifResult r = avifDecoderParse(decoder.get()); r != AVIF_RESULT_OK) {
    failed(r == AVIF_RESULT_INVALID_FTYP ? SNAPRILL_CODEC_NOT_THIS_FORMAT : SNAPRILL_CODEC_DAMAGED,
           r);
  }
  const SnaprillCodecPixels pixels =
      canvasFor(canvas, decoder->image->width, decoder->image->height);
  if (const avifResult r = avifDecoderNextImage(decoder.get()); r != AVIF_RESULT_OK) {
    failed(r == AVIF_RESULT_TRUNCATED_DATA ? SNAPRILL_CODEC_TRUNCATED : SNAPRILL_CODEC_DAMAGED, r);
  }
  const avifImage* image = decoder->image;
  if (image->width != pixels.width || image->height != pixels.height) {
    throw Failure{SNAPRILL_CODEC_DAMAGED, "AVIF picture size changed while decoding"};
  }
  avifRGBImage rgb;
  avifRGBImageSetDefaults(&rgb, image);
  rgb.format = AVIF_RGB_FORMAT_BGRA;
  rgb.depth = 8;
  rgb.pixels = pixels.rows;
  rgb.rowBytes = static_cast<uint32_t>(pixels.stride);
  if (const avifResult r = avifImageYUVToRGB(image, &rgb); r != AVIF_RESULT_OK) {
    failed(SNAPRILL_CODEC_DAMAGED, r);
  }
}

}  // namespace snaprill::codec_module
