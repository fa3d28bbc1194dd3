#include "settings/overlay_file.h"

#include <exception>
#include <filesystem>

#include "base/byte_sink.h"
#include "formats/bmp/bmp_file.h"
#include "io/atomic_file.h"
#include "platform/program_dir.h"

namespace snaprill {

namespace {

// Far above any overlay a user would paste on a capture; a bigger file is not read.
constexpr std::size_t kMaxOverlayFileBytes = std::size_t{512} << 20;

}  // namespace

std::string overlayFilePath(const std::string& configDir) {
  return configDir + "snaprill.tmp";
}

void saveOverlayFile(const OverlayPicture& overlay, const std::string& configDir) {
  const std::string path = overlayFilePath(configDir);
  MemorySink bytes;
  writeBmp(overlay.picture(), bytes);
  // Every save writes the file; one that holds these bytes already (most often
  // the empty file of no overlay) is left as it is rather than synced again.
  std::error_code ec;
  if (std::filesystem::is_regular_file(path, ec) &&
      std::filesystem::file_size(path, ec) == bytes.bytes.size()) {
    try {
      if (readWholeFile(path, bytes.bytes.size()) ==
          std::string(bytes.bytes.begin(), bytes.bytes.end()))
        return;
    } catch (const FileError&) {
    }
  }
  AtomicFile out(path);
  out.write(bytes.bytes.data(), bytes.bytes.size());
  out.commit(true);
}

void loadOverlayFile(OverlayPicture& overlay, const std::string& configDir) {
  const std::string path = overlayFilePath(configDir);
  if (!isRegularFileOrOther(path)) return;
  try {
    const std::string bytes = readWholeFile(path, kMaxOverlayFileBytes);
    if (bytes.empty()) {
      overlay.clear();
      return;
    }
    overlay.set(readBmp(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  } catch (const std::exception&) {
    // The overlay file is ours, beside the settings: one that cannot be read is
    // not worth a message, and the picture in use stays.
  }
}

}  // namespace snaprill
