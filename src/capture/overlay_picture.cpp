#include "capture/overlay_picture.h"

#include <cstdint>

#include "formats/loader/picture_loader.h"
#include "io/atomic_file.h"

namespace snaprill {

void OverlayPicture::load(const std::string& path) {
  PictureKind kind = PictureKind::WindowsBitmap;
  try {
    const std::string bytes = readWholeFile(path, kMaxPictureFileBytes);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    kind = detectPicture(data, bytes.size());
    picture_ = readPicture(data, bytes.size());
  } catch (...) {
    if (kind == PictureKind::Targa || kind == PictureKind::WindowsBitmap) return;
    throw;
  }
}

}  // namespace snaprill
