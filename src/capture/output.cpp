// Step 5 of the cycle: the output type picks the writer. Every still writer
// allocates its name just before writing and writes through a temporary file, so a
// failed write leaves nothing behind while its number stays used up.
#include <functional>
#include <stdexcept>

#include "capture/engine.h"
#include "formats/bmp/bmp_file.h"
#include "formats/emf/emf_file.h"
#include "formats/jpeg/jpeg.h"
#include "formats/pcx/pcx.h"
#include "formats/png/png_image.h"
#include "formats/targa/targa.h"
#include "formats/tiff/tiff_writer.h"
#include "platform/atomic_file.h"

namespace snaprill {

namespace {

// Pixel formats of the `bitmappix` entries (0: as the capture arrived).
constexpr int kBitmapFormats[] = {0, 32, 24, 16, 8, 4, 1};
// Pixel formats of the `bitid` entries; a 32-bit capture is stored as 24-bit RGB.
constexpr int kTiffFormats[] = {32, 8, 4};

}  // namespace

void CaptureEngine::writeOutput(const ArrivingRows& arriving) {
  const auto writeStill = [this](const char* extension,
                                 const std::function<void(ByteSink&)>& encode) {
    const std::optional<std::string> path = AllocateOutputName(extension);
    if (!path) {
      ++droppedCaptures;
      return;
    }
    AtomicFile file(*path);
    encode(file);
    file.commit();
    LastSavedName = *path;
  };
  switch (options.value(Option::outputType)) {
    case kJpeg:
      writeStill(".jpg", [this, &arriving](ByteSink& out) {
        writeJpeg(CaptureImage, options.value(Option::jpegQuality), out, &arriving);
        // Data found damaged after the top rows were written: no file, as for a
        // picture that could not be read at all.
        if (!arriving.intact()) throw std::runtime_error("The offered picture is damaged");
      });
      break;
    case kPng:
      writeStill(".png", [this](ByteSink& out) {
        writePng(CaptureImage, options.value(Option::pngLevel), kPngFilterNone, out);
      });
      break;
    case kGif:
    case kAvi:
      writeFrame();
      break;
    case kMetafile:
      writeStill(".emf", [this](ByteSink& out) { writeEmf(CaptureImage, platform.screen, out); });
      break;
    case kTiff: {
      const int entry = options.value(Option::tiffDepth);
      if (entry >= 0 && entry < 3) CaptureImage.convertTo(kTiffFormats[entry]);
      writeStill(".tif", [this](ByteSink& out) { writeTiff(out, CaptureImage); });
      break;
    }
    case kTarga: {
      if (options.value(Option::targaBlackAndWhite) != 0) CaptureImage.convertTo(1);
      writeStill(".tga", [this](ByteSink& out) { writeTarga(CaptureImage, 5, out); });
      break;
    }
    case kPcx: {
      writeStill(".pcx", [this](ByteSink& out) { writePcx(CaptureImage, out); });
      break;
    }
    default: {
      const int entry = options.value(Option::bitmapDepth);
      if (entry > 0 && entry < 7) CaptureImage.convertTo(kBitmapFormats[entry]);
      writeStill(".bmp", [this](ByteSink& out) { writeBmp(CaptureImage, out); });
      break;
    }
  }
}

}  // namespace snaprill
