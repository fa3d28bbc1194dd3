#include "capture/output_writer.h"

#include <functional>

#include "base/errors.h"
#include "capture/save_capture.h"
#include "formats/avif/avif.h"
#include "formats/bmp/bmp_file.h"
#include "formats/emf/emf_file.h"
#include "formats/jpeg/jpeg.h"
#include "formats/jxl/jxl.h"
#include "formats/pcx/pcx.h"
#include "formats/png/png_image.h"
#include "formats/targa/targa.h"
#include "formats/tiff/tiff_writer.h"
#include "formats/webp/webp.h"
#include "io/atomic_file.h"

namespace snaprill {

namespace {

// Pixel formats of the Bitmap depth list's entries (0: as the capture arrived).
constexpr int kBitmapFormats[] = {0, 32, 24, 16, 8, 4, 1};
// Pixel formats of the TIFF depth list's entries; a 32-bit capture is stored as
// 24-bit RGB.
constexpr int kTiffFormats[] = {32, 8, 4};

}  // namespace

WriteOutcome writeCapture(Bitmap& capture, const Options& options, SaveState& state,
                          const Texts& texts, Platform& services, const ArrivingRows& arriving) {
  OutputNames& names = state.names;
  const auto writeStill = [&names](const char* extension,
                                   const std::function<void(ByteSink&)>& encode) {
    const std::optional<std::string> path = names.allocate(extension);
    if (!path) return WriteOutcome{{}, true};
    AtomicFile file(*path);
    encode(file);
    file.commit();
    return WriteOutcome{*path};
  };
  switch (options.value(Option::outputType)) {
    case kJpeg:
      return writeStill(".jpg", [&](ByteSink& out) {
        writeJpeg(capture, options.value(Option::jpegQuality), out, &arriving);
        // Data found damaged after the top rows were written: no file, as for a
        // picture that could not be read at all.
        if (!arriving.intact()) throw DamagedPictureError();
      });
    case kPng:
      return writeStill(".png", [&](ByteSink& out) {
        writePng(capture, options.value(Option::pngLevel), kPngFilterNone, out);
      });
    case kGif:
    case kAvi:
      return state.animation.addFrame(capture, options, names, texts, services);
    case kMetafile:
      return writeStill(".emf", [&](ByteSink& out) {
        writeEmf(capture, services.screen ? services.screen->current() : ReferenceScreen{}, out);
      });
    case kTiff: {
      const int entry = options.value(Option::tiffDepth);
      if (entry >= 0 && entry < 3) capture.convertTo(kTiffFormats[entry]);
      return writeStill(".tif", [&](ByteSink& out) { writeTiff(out, capture); });
    }
    case kTarga:
      if (options.value(Option::targaBlackAndWhite) != 0) capture.convertTo(1);
      return writeStill(".tga", [&](ByteSink& out) { writeTarga(capture, 5, out); });
    case kPcx:
      return writeStill(".pcx", [&](ByteSink& out) { writePcx(capture, out); });
    case kWebp:
      if (options.checked(Option::saveAnimation)) {
        return state.animation.addFrame(capture, options, names, texts, services);
      }
      return writeStill(".webp", [&](ByteSink& out) {
        writeWebp(capture, options.value(Option::webpQuality), out);
      });
    case kAvif:
      return writeStill(".avif", [&](ByteSink& out) {
        writeAvif(capture, options.value(Option::avifQuality), out);
      });
    case kJpegXl:
      return writeStill(".jxl", [&](ByteSink& out) {
        writeJxl(capture, options.value(Option::jxlQuality), out);
      });
    default: {
      const int entry = options.value(Option::bitmapDepth);
      if (entry > 0 && entry < 7) capture.convertTo(kBitmapFormats[entry]);
      return writeStill(".bmp", [&](ByteSink& out) { writeBmp(capture, out); });
    }
  }
}

}  // namespace snaprill
