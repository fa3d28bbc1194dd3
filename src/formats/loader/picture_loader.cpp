#include "formats/loader/picture_loader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <span>

#include "base/unaligned.h"
#include "formats/avif/avif.h"
#include "formats/bmp/bmp_file.h"
#include "formats/emf/metafile_reader.h"
#include "formats/gif/gif_reader.h"
#include "formats/jpeg/jpeg.h"
#include "formats/jxl/jxl.h"
#include "formats/pcx/pcx.h"
#include "formats/png/png_capture_reader.h"
#include "formats/png/png_image.h"
#include "formats/targa/targa.h"
#include "formats/webp/webp.h"
#include "io/readable_file.h"

namespace snaprill {

namespace {

bool plausibleTarga(const std::uint8_t* d, std::size_t size) {
  if (size < 18) return false;
  const unsigned mapType = d[1], type = d[2], mapBits = d[7], bits = d[16];
  const auto oneOf = [](unsigned v, std::initializer_list<unsigned> set) {
    return std::find(set.begin(), set.end(), v) != set.end();
  };
  if (mapType > 1 || (mapType == 1 && !oneOf(mapBits, {15, 16, 24, 32}))) return false;
  if (loadLe16(d + 12) == 0 || loadLe16(d + 14) == 0) return false;
  switch (type) {
    case 1:
    case 9:
      return mapType == 1 && oneOf(bits, {8, 16});
    case 2:
    case 10:
      return oneOf(bits, {15, 16, 24, 32});
    case 3:
    case 11:
      return oneOf(bits, {8, 16});
    default:
      return false;
  }
}

bool isWebp(const std::uint8_t* d, std::size_t size) {
  return size >= 12 && std::memcmp(d, "RIFF", 4) == 0 && std::memcmp(d + 8, "WEBP", 4) == 0;
}

// An ISO "ftyp" box first, naming AVIF as its major brand or among its compatible
// ones (HEIC shares the box but not the brands).
bool isAvif(const std::uint8_t* d, std::size_t size) {
  if (size < 16 || std::memcmp(d + 4, "ftyp", 4) != 0) return false;
  const std::size_t boxSize = std::min<std::size_t>(loadBe32(d), size);
  for (std::size_t brand = 8; brand + 4 <= boxSize; brand += 4) {
    if (brand == 12) continue;  // the minor version
    if (std::memcmp(d + brand, "avif", 4) == 0 || std::memcmp(d + brand, "avis", 4) == 0) {
      return true;
    }
  }
  return false;
}

bool isJpegXl(const std::uint8_t* d, std::size_t size) {
  static constexpr std::uint8_t kContainer[] = {0,   0,   0,    0x0C, 'J',  'X',
                                                'L', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  if (size >= 2 && d[0] == 0xFF && d[1] == 0x0A) return true;
  return size >= sizeof kContainer && std::memcmp(d, kContainer, sizeof kContainer) == 0;
}

bool plausiblePcx(const std::uint8_t* d, std::size_t size) {
  return size >= 3 && d[0] == 0x0A && d[1] <= 5 && d[2] <= 1;
}

}  // namespace

PictureKind detectPicture(const std::uint8_t* d, std::size_t size) {
  if (size < 3) return PictureKind::WindowsBitmap;
  const auto starts = [d](std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    return d[0] == a && d[1] == b && d[2] == c;
  };
  if (starts(0xFF, 0xD8, 0xFF)) return PictureKind::Jpeg;
  if (starts(0x47, 0x49, 0x46)) return PictureKind::Gif;
  if (starts(0x89, 0x50, 0x4E)) return PictureKind::Png;
  if (starts(0x01, 0x00, 0x09) || starts(0xD7, 0xCD, 0xC6) || starts(0x01, 0x00, 0x00)) {
    return PictureKind::Metafile;
  }
  if (isWebp(d, size)) return PictureKind::Webp;
  if (isAvif(d, size)) return PictureKind::Avif;
  if (isJpegXl(d, size)) return PictureKind::JpegXl;
  if (plausiblePcx(d, size)) return PictureKind::Pcx;
  if (plausibleTarga(d, size)) return PictureKind::Targa;
  return PictureKind::WindowsBitmap;
}

Bitmap readPicture(const std::uint8_t* data, std::size_t size) {
  switch (detectPicture(data, size)) {
    case PictureKind::Jpeg:
      return readJpeg(data, size);
    case PictureKind::Pcx:
      return readPcx(data, size);
    case PictureKind::Webp:
      return readWebp(data, size);
    case PictureKind::Avif:
      return readAvif(data, size);
    case PictureKind::JpegXl:
      return readJxl(data, size);
    case PictureKind::Targa:
      return readTarga(data, size);
    case PictureKind::Gif:
      return readGif(data, size);
    case PictureKind::Metafile:
      return readMetafile(data, size);
    case PictureKind::WindowsBitmap:
      // Whatever nothing else claims comes here; only a "BM" file is a bitmap.
      if (size < 2 || data[0] != 'B' || data[1] != 'M') {
        // Says which formats it would have read.
        throw FormatError(FormatErrorKind::NotThisFormat);
      }
      return readBmp(data, size);
    case PictureKind::Png: {
      PngImage png;
      png.loadFromMemory(data, size);
      return png.toBitmap();
    }
    default:
      throw FormatError(FormatErrorKind::Unsupported);
  }
}

namespace {

// A picture file through read: uncompressed bitmaps (the usual screenshot files) with
// their rows read straight into the picture, other files from a copy in memory.
template <class Read>
Bitmap loadFile(const std::string& path, Read read) {
  ReadableFile file(path, kMaxPictureFileBytes);
  std::array<std::uint8_t, 4096> head;
  const std::span<std::uint8_t> start(head.data(), std::min(head.size(), file.size()));
  const std::size_t got = file.readAt(0, {&start, 1});
  // The kind as the whole file's bytes give it: an "ftyp" box may name its brands
  // beyond the head.
  if (got == start.size() && got >= 8 && head[0] == 'B' && head[1] == 'M' &&
      std::memcmp(head.data() + 4, "ftyp", 4) != 0 &&
      detectPicture(head.data(), got) == PictureKind::WindowsBitmap) {
    std::optional<Bitmap> picture = readBmpInPlace(
        start, file.size(),
        [&file](std::size_t offset, auto pieces) { return file.readAt(offset, pieces); });
    if (picture) return std::move(*picture);
  }
  const PixelBuffer bytes = file.readWhole();
  return read(bytes.data(), bytes.size());
}

}  // namespace

Bitmap loadPictureFile(const std::string& path) {
  return loadFile(path, readPicture);
}

Bitmap readCapturePicture(const std::uint8_t* data, std::size_t size) {
  switch (detectPicture(data, size)) {
    case PictureKind::Png: {
      // The PNGs the clipboard's reader leaves (other depths, interlacing, a tRNS
      // chunk) come here with the same rule.
      Bitmap picture = decodePngCapture(data, size);
      if (!picture.empty()) return picture;
      PngImage png;
      png.loadFromMemory(data, size);
      return png.toBitmapOverWhite();
    }
    case PictureKind::Gif: {
      Bitmap picture = readGif(data, size, GifTransparency::OverWhite);
      picture.convertTo(32);
      return picture;
    }
    default: {
      Bitmap picture = readPicture(data, size);
      picture.convertTo(32);  // as a screen capture arrives
      return picture;
    }
  }
}

Bitmap loadCapturePictureFile(const std::string& path) {
  Bitmap picture = loadFile(path, readCapturePicture);
  picture.convertTo(32);  // a bitmap read in place, as readCapturePicture converts it
  return picture;
}

}  // namespace snaprill
