// The overlay picture: drawn at its own size without transparency, and loaded or
// cleared by the user.
#include <exception>

#include "capture/engine.h"
#include "formats/picture_loader.h"
#include "platform/atomic_file.h"

namespace snaprill {

void CaptureEngine::ApplyOverlay() {
  if (OverlayPicture.empty()) return;
  const int x = options.value(Option::overlayX);
  const int y = options.value(Option::overlayY);
  if (OverlayPicture.bitsPerPixel() == CaptureImage.bitsPerPixel() || CaptureImage.indexed()) {
    drawBitmap(CaptureImage, x, y, OverlayPicture);
  } else {
    // Same formats copy whole rows at a time.
    drawBitmap(CaptureImage, x, y, OverlayPicture.convertedTo(CaptureImage.bitsPerPixel()));
  }
}

void CaptureEngine::loadimageClick(const std::string& path) {
  // Whatever goes wrong, the overlay stays as it was: it is replaced only by a
  // picture that was read whole.
  std::string bytes;
  PictureKind kind = PictureKind::WindowsBitmap;
  try {
    bytes = readWholeFile(path, kMaxPictureFileBytes);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    kind = detectPicture(data, bytes.size());
    Bitmap picture = readPicture(data, bytes.size());
    OverlayPicture = std::move(picture);
  } catch (...) {
    // Unreadable Targa and Windows-bitmap files have always been passed over in
    // silence; the other readers' errors reach the program-wide handler.
    if (kind == PictureKind::Targa || kind == PictureKind::WindowsBitmap) return;
    handleException(std::current_exception());
  }
}

void CaptureEngine::Clearimage1Click() {
  OverlayPicture = Bitmap();
}

}  // namespace snaprill
