// One output's picture through ext-image-copy-capture: a source for the output, a
// session on it, and one frame copied into shared memory in a format we read.
#pragma once

#include <chrono>
#include <optional>

#include "backends/wayland/dispatch_until.h"
#include "image/bitmap.h"

struct wl_display;
struct wl_shm;
struct wl_output;
struct wl_proxy;

namespace snaprill {

struct ImageCopyGlobals {
  wl_display* display = nullptr;
  wl_shm* shm = nullptr;
  wl_proxy* sourceManager = nullptr;  // ext_output_image_capture_source_manager_v1
  wl_proxy* copyManager = nullptr;    // ext_image_copy_capture_manager_v1
  // How long each answer may take before the output is given up.
  std::chrono::milliseconds answerTime = kCompositorAnswerTime;
};

// The output's picture upright, 32 bpp. `outputTransform` is wl_output's, used when
// the compositor does not say how it turned the buffer. Nothing when the session
// offers no shared-memory format we read, stops, or the frame fails: the caller
// then tries another way.
std::optional<Bitmap> copyOutputByImageCopy(const ImageCopyGlobals& globals, wl_output* output,
                                            int outputTransform, bool withCursor);

}  // namespace snaprill
