// The output types, one row each, in the order of the type list.
#include "options/output_types.h"

#include <array>

#include "base/errors.h"
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

namespace snaprill {

namespace {

// Pixel formats of the entries of the Bitmap, TIFF and Targa choices. A 32-bit
// capture is stored in TIFF as 24-bit RGB.
constexpr int kBitmapFormats[] = {0, 32, 24, 16, 8, 4, 1};
constexpr int kTiffFormats[] = {32, 8, 4};
constexpr int kTargaFormats[] = {0, 1};  // "Black and White Images" unchecked, checked

constexpr std::array<OutputTypeInfo, kOutputTypeCount> kRows = {{
    {
        .type = kJpeg,
        .extension = ".jpg",
        .stripName = "JPEG",
        .pickerName = "JPEG",
        .descriptionKey = "JPEG",
        .description = "JPEG Image\\nJoint Photographic Experts Group\\n\\nLossy compression, "
                       "supports up to 24-bit color images",
        .quality = QualityUse{Option::jpegQuality, 5, "90"},
        .write =
            [](const Bitmap& picture, const StillSettings& settings, ByteSink& out) {
              writeJpeg(picture, settings.quality, out, settings.arriving);
              // Data found damaged after the top rows were written: no file, as for
              // a picture that could not be read at all.
              if (settings.arriving && !settings.arriving->intact()) throw DamagedPictureError();
            },
        .takesArrivingRows = true,
        .readAs = PictureKind::Jpeg,
    },
    {
        .type = kPng,
        .extension = ".png",
        .stripName = "PNG",
        .pickerName = "PNG",
        .descriptionKey = "PNG",
        .description = "PNG Image\\nPortable Network Graphics\\n\\nLossless compression with 10 "
                       "different levels, supports up to 48-bit color images",
        .quality = QualityUse{Option::pngLevel, 2, nullptr},
        .write = [](const Bitmap& picture, const StillSettings& settings,
                    ByteSink& out) { writePng(picture, settings.quality, kPngFilterNone, out); },
        .readAs = PictureKind::Png,
    },
    {
        .type = kGif,
        .extension = ".gif",
        .stripName = "GIF",
        .pickerName = "GIF",
        .descriptionKey = "GIF",
        .description = "GIF Image\\nGraphics Interchange Format\\n\\nSupports up to 256 colors "
                       "(images will be dithered to 256 colors), supports animations, lossless "
                       "compression",
        .frames = Frames::gifFrames,
        .readAs = PictureKind::Gif,
    },
    {
        .type = kBitmap,
        .extension = ".bmp",
        .stripName = "Bitmap",
        .pickerName = "Windows Bitmap",
        .descriptionKey = "Bitmap",
        .description = "Bitmap Image\\n\\nNo compression, very fast, very large files",
        .depth = DepthChoice{Option::bitmapDepth, kBitmapFormats},
        .write = [](const Bitmap& picture, const StillSettings&,
                    ByteSink& out) { writeBmp(picture, out); },
        .readAs = PictureKind::WindowsBitmap,
    },
    {
        .type = kMetafile,
        .extension = ".emf",
        .stripName = "Enhanced Metafile",
        .pickerName = "Enhanced Metafile",
        .descriptionKey = "Metafile",
        .description = "Enhanced Metafile\\n\\nVector+raster graphics, lossless compression",
        .write = [](const Bitmap& picture, const StillSettings& settings,
                    ByteSink& out) { writeEmf(picture, settings.screen, out); },
        .readAs = PictureKind::Metafile,
    },
    {
        .type = kTiff,
        .extension = ".tif",
        .stripName = "TIFF",
        .pickerName = "TIFF",
        .descriptionKey = "TIFF",
        .description =
            "TIFF Image\\nTag Image File Format\\n\\nSupports up to 24-bit color images, "
            "lossless compression",
        .depth = DepthChoice{Option::tiffDepth, kTiffFormats},
        .write = [](const Bitmap& picture, const StillSettings&,
                    ByteSink& out) { writeTiff(out, picture); },
    },
    {
        .type = kAvi,
        .extension = ".avi",
        .stripName = "Video for Windows (AVI)",
        .pickerName = "Video for Windows (AVI)",
        .descriptionKey = "AVI",
        .description = "AVI Video\\nAudio Video Interleave\\n\\nVideo file format",
        .frames = Frames::gifFrames,
    },
    {
        .type = kTarga,
        .extension = ".tga",
        .stripName = "Targa Image",
        .pickerName = "TrueVision Targa",
        .descriptionKey = "Targa",
        .description = "Truevision Targa Image\\n\\nSupports up to 32-bit color images, lossless "
                       "compression.",
        .depth = DepthChoice{Option::targaBlackAndWhite, kTargaFormats},
        // Run-length encoded.
        .write = [](const Bitmap& picture, const StillSettings&,
                    ByteSink& out) { writeTarga(picture, 5, out); },
        .readAs = PictureKind::Targa,
    },
    {
        .type = kPcx,
        .extension = ".pcx",
        .stripName = "PCX",
        .pickerName = "ZSoft Bitmap (PCX)",
        .descriptionKey = "PCX",
        .description = "PCX Image\\nZSoft PC Paintbrush image\\n\\nSupports up to 24-bit color "
                       "images, lossless compression",
        .write = [](const Bitmap& picture, const StillSettings&,
                    ByteSink& out) { writePcx(picture, out); },
        .readAs = PictureKind::Pcx,
    },
    {
        .type = kWebp,
        .extension = ".webp",
        .stripName = "WebP",
        .pickerName = "WebP",
        .descriptionKey = "WebP",
        .description = "WebP Image\\n\\nLossless (recommended for screenshots) or lossy "
                       "compression, supports up to 24-bit color images and full-color animations",
        .quality = QualityUse{Option::webpQuality, 5, "90"},
        .frames = Frames::fullColour,
        .write = [](const Bitmap& picture, const StillSettings& settings,
                    ByteSink& out) { writeWebp(picture, settings.quality, out); },
        .readAs = PictureKind::Webp,
        .needsModernLibraries = true,
    },
    {
        .type = kAvif,
        .extension = ".avif",
        .stripName = "AVIF",
        .pickerName = "AVIF",
        .descriptionKey = "AVIF",
        .description =
            "AVIF Image\\nAV1 Image File Format\\n\\nLossy compression, very small files, "
            "supports up to 24-bit color images",
        .quality = QualityUse{Option::avifQuality, 5, "80"},
        .write = [](const Bitmap& picture, const StillSettings& settings,
                    ByteSink& out) { writeAvif(picture, settings.quality, out); },
        .readAs = PictureKind::Avif,
        .needsModernLibraries = true,
    },
    {
        .type = kJpegXl,
        .extension = ".jxl",
        .stripName = "JPEG XL",
        .pickerName = "JPEG XL",
        .descriptionKey = "JPEGXL",
        .description = "JPEG XL Image\\n\\nLossless or lossy compression, supports up to 24-bit "
                       "color images. Several times slower than PNG, and screenshots come out "
                       "about as large or larger: WebP is recommended for them",
        .quality = QualityUse{Option::jxlQuality, 5, "90"},
        .write = [](const Bitmap& picture, const StillSettings& settings,
                    ByteSink& out) { writeJxl(picture, settings.quality, out); },
        .readAs = PictureKind::JpegXl,
        .needsModernLibraries = true,
    },
}};

constexpr bool rowsFitTheList() {
  for (std::size_t i = 0; i < kRows.size(); ++i) {
    const OutputTypeInfo& row = kRows[i];
    // Settings files store the place in the list.
    if (row.type != static_cast<int>(i)) return false;
    // A type the GIF animation does not write has a still writer.
    if (row.frames != Frames::gifFrames && row.write == nullptr) return false;
    // The list offers a build's types as its first entries.
    const bool offered = !row.needsModernLibraries || kModernTypesBuilt;
    if (offered != (static_cast<int>(i) < kOfferedOutputTypeCount)) return false;
  }
  return true;
}
static_assert(rowsFitTheList(),
              "rows out of list order, a still type without a writer, or a type this build "
              "lacks before one it offers");

}  // namespace

std::span<const OutputTypeInfo> outputTypes() {
  return kRows;
}

std::span<const OutputTypeInfo> offeredOutputTypes() {
  return outputTypes().first(kOfferedOutputTypeCount);
}

const OutputTypeInfo& outputTypeInfo(int type) {
  return type >= 0 && type < kOutputTypeCount ? kRows[static_cast<std::size_t>(type)]
                                              : kRows[kBitmap];
}

}  // namespace snaprill
