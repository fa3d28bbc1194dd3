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

PictureKind DetectPicture(const std::uint8_t* d, std::size_t size) {
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

Bitmap ReadPicture(const std::uint8_t* data, std::size_t size) {
  switch (DetectPicture(data, size)) {
    case PictureKind::Jpeg:
      return ReadJpeg(data, size);
    case PictureKind::Pcx:
      return ReadPcx(data, size);
    case PictureKind::Targa:
      return ReadTarga(data, size);
    case PictureKind::Gif:
      return ReadGif(data, size);
    case PictureKind::Metafile:
      return ReadMetafile(data, size);
    case PictureKind::WindowsBitmap:
      return ReadBmp(data, size);
    case PictureKind::Png: {
      PNGObject png;
      png.LoadFromMemory(data, size);
      return png.toBitmap();
    }
    default:
      throw ReadError("Unsupported picture format");
  }
}

Bitmap LoadPictureFile(const std::string& path) {
  const std::string bytes = readWholeFile(path, kMaxPictureFileBytes);
  return ReadPicture(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace snaprill
