// A compositor of the tests' own, in a thread of the test, that only lets clients
// copy its outputs: wl_shm, its outputs (place, transform, scale), the two
// ext-image-copy-capture globals and, on request, wlr-screencopy. It has no
// desktop: a frame copied from output i is the pattern
//   byte 0 = the buffer pixel's x, byte 1 = its y, byte 2 = the copier's mark + i,
//   byte 3 = 0xff
// written into the buffer as it lies, untouched by the output's transform (as a
// compositor hands the monitor's pixels over). The marks tell which protocol gave a
// picture.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "tools/fake_wayland_display.h"

struct wl_global;

namespace snaprill {

inline constexpr std::uint8_t kImageCopyMark = 0x01;
inline constexpr std::uint8_t kScreencopyMark = 0x81;

struct FakeOutput {
  int x = 0;  // place in the layout
  int y = 0;
  int width = 0;  // the buffer's pixels, before the transform
  int height = 0;
  int transform = 0;
  int scale = 1;
};

struct FakeCaptureSettings {
  std::vector<FakeOutput> outputs;
  bool imageCopy = true;
  bool screencopy = false;
  // What a session announces: these shared-memory formats and, when set, this size
  // instead of the output's.
  std::vector<std::uint32_t> formats{1};  // WL_SHM_FORMAT_XRGB8888
  std::uint32_t announcedWidth = 0;
  std::uint32_t announcedHeight = 0;
  bool failFrames = false;    // every image-copy frame answers `failed`
  bool silentFrames = false;  // no image-copy frame is ever answered
  bool stopSessions = false;  // every session says `stopped` instead of its constraints
  // The first frames of the run announce new constraints and fail for them, as at a
  // mode switch.
  int framesRefusedForNewConstraints = 0;
  // At the first image-copy capture the last output is unplugged (its global
  // withdrawn) before the frame is answered, as when a monitor goes while a picture
  // is taken. Objects the client made for it keep working.
  bool unplugLastOutputAtFirstCapture = false;
};

class FakeCaptureCompositor {
 public:
  // On a display of its own (fake_wayland_display.h).
  explicit FakeCaptureCompositor(FakeCaptureSettings settings);
  ~FakeCaptureCompositor();
  FakeCaptureCompositor(const FakeCaptureCompositor&) = delete;
  FakeCaptureCompositor& operator=(const FakeCaptureCompositor&) = delete;

  const FakeCaptureSettings& settings() const { return settings_; }
  // What clients asked: image-copy sessions made, the options of the last one.
  int sessions() const { return sessions_; }
  std::uint32_t lastOptions() const { return lastOptions_; }

  // Called from the requests' handlers, in the compositor's thread.
  void sessionMade(std::uint32_t options) {
    lastOptions_ = options;
    ++sessions_;
  }
  bool refuseFrameForNewConstraints() {
    return framesRefused_++ < settings_.framesRefusedForNewConstraints;
  }
  // An image-copy frame is about to be answered: the unplugging, when asked for.
  void captureStarting();

  // What the requests' handlers know of an object (defined with them).
  struct Binding;

 private:
  FakeCaptureSettings settings_;
  std::vector<std::unique_ptr<Binding>> bindings_;
  std::vector<wl_global*> outputGlobals_;
  bool unplugged_ = false;  // the compositor's thread only
  std::atomic<int> sessions_{0};
  std::atomic<std::uint32_t> lastOptions_{0};
  std::atomic<int> framesRefused_{0};
  // Last: its clients' objects, which point to the members above, go first.
  FakeWaylandDisplay wayland_;
};

}  // namespace snaprill
