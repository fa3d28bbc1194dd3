#include "settings/overlay_file.h"

#include <exception>

#include "base/errors.h"
#include "formats/bmp/bmp_file.h"
#include "platform/atomic_file.h"

namespace snaprill {

namespace {

// Far above any overlay a user would paste on a capture; a bigger file is not read.
constexpr std::size_t kMaxOverlayFileBytes = std::size_t{512} << 20;

}  // namespace

std::string overlayFilePath(const CaptureEngine& engine) {
  return engine.platform.dirs.configDir + "snaprill.tmp";
}

void SaveOverlayFile(const CaptureEngine& engine) {
  AtomicFile out(overlayFilePath(engine));
  writeBmp(engine.OverlayPicture, out);
  out.commit(true);
}

void LoadOverlayFile(CaptureEngine& engine) {
  const std::string path = overlayFilePath(engine);
  if (!isRegularFileOrOther(path)) return;
  try {
    const std::string bytes = readWholeFile(path, kMaxOverlayFileBytes);
    if (bytes.empty()) {
      engine.OverlayPicture = Bitmap();
      return;
    }
    engine.OverlayPicture =
        readBmp(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  } catch (const std::exception&) {
    // As the program always has: an unreadable overlay file changes nothing.
  }
}

}  // namespace snaprill
