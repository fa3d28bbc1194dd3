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

std::string overlayFilePath(const CaptureCycle& cycle) {
  return cycle.platform.dirs.configDir + "snaprill.tmp";
}

void saveOverlayFile(const CaptureCycle& cycle) {
  AtomicFile out(overlayFilePath(cycle));
  writeBmp(cycle.overlay().picture(), out);
  out.commit(true);
}

void loadOverlayFile(CaptureCycle& cycle) {
  const std::string path = overlayFilePath(cycle);
  if (!isRegularFileOrOther(path)) return;
  try {
    const std::string bytes = readWholeFile(path, kMaxOverlayFileBytes);
    if (bytes.empty()) {
      cycle.overlay().clear();
      return;
    }
    cycle.overlay().set(readBmp(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  } catch (const std::exception&) {
    // As the program always has: an unreadable overlay file changes nothing.
  }
}

}  // namespace snaprill
