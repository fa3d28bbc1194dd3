#include "formats/picture_loader.h"

#include "base/errors.h"
#include "formats/bmp/bmp_file.h"
#include "formats/emf/metafile_reader.h"
#include "formats/gif/gif_reader.h"
#include "formats/jpeg/jpeg.h"
#include "formats/pcx/pcx.h"
#include "formats/png/png_image.h"
#include "formats/targa/targa.h"
#include "platform/atomic_file.h"

namespace snaprill {

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
  if (starts(0x0A, 0x05, 0x01)) return PictureKind::Pcx;
  if (starts(0x00, 0x00, 0x0A)) return PictureKind::Targa;
  return PictureKind::WindowsBitmap;
}

Bitmap readPicture(const std::uint8_t* data, std::size_t size) {
  switch (detectPicture(data, size)) {
    case PictureKind::Jpeg:
      return readJpeg(data, size);
    case PictureKind::Pcx:
      return readPcx(data, size);
    case PictureKind::Targa:
      return readTarga(data, size);
    case PictureKind::Gif:
      return readGif(data, size);
    case PictureKind::Metafile:
      return readMetafile(data, size);
    case PictureKind::WindowsBitmap:
      return readBmp(data, size);
    case PictureKind::Png: {
      PngImage png;
      png.loadFromMemory(data, size);
      return png.toBitmap();
    }
    default:
      throw ReadError("Unsupported picture format");
  }
}

Bitmap loadPictureFile(const std::string& path) {
  const std::string bytes = readWholeFile(path, kMaxPictureFileBytes);
  return readPicture(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace snaprill
