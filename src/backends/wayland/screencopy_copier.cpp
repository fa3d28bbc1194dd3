// One output's picture through wlr-screencopy (sway and the other wlroots
// compositors, what grim uses). At version 1 the frame announces one shared-memory
// buffer, we ask it to copy into ours, and it ends with `ready` or `failed`.
#include <algorithm>
#include <climits>
#include <cstdint>

#include <wayland-protocols/wlr-screencopy-unstable-v1-client-protocol.h>

#include "backends/wayland/dispatch_until.h"
#include "backends/wayland/output_copier.h"
#include "backends/wayland/output_picture.h"
#include "backends/wayland/shared_buffer.h"

namespace snaprill {

namespace {

// What one frame told us, from its announcement of the buffer to its end.
struct FrameState {
  std::uint32_t format = 0;
  int width = 0;
  int height = 0;
  int stride = 0;
  bool announced = false;
  bool upsideDown = false;
  bool ready = false;
  bool failed = false;
};

FrameState& stateOf(void* data) {
  return *static_cast<FrameState*>(data);
}

int clamped(std::uint32_t size) {
  return static_cast<int>(std::min<std::uint32_t>(size, INT_MAX));
}

void frameBuffer(void* data, zwlr_screencopy_frame_v1*, std::uint32_t format, std::uint32_t width,
                 std::uint32_t height, std::uint32_t stride) {
  FrameState& frame = stateOf(data);
  frame.format = format;
  frame.width = clamped(width);
  frame.height = clamped(height);
  frame.stride = clamped(stride);
  frame.announced = true;
}
void frameFlags(void* data, zwlr_screencopy_frame_v1*, std::uint32_t flags) {
  stateOf(data).upsideDown = (flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT) != 0;
}
void frameReady(void* data, zwlr_screencopy_frame_v1*, std::uint32_t, std::uint32_t,
                std::uint32_t) {
  stateOf(data).ready = true;
}
void frameFailed(void* data, zwlr_screencopy_frame_v1*) {
  stateOf(data).failed = true;
}

// Bound at version 1: the events later versions brought never come.
const zwlr_screencopy_frame_v1_listener kFrameEvents{.buffer = &frameBuffer,
                                                     .flags = &frameFlags,
                                                     .ready = &frameReady,
                                                     .failed = &frameFailed,
                                                     .damage = nullptr,
                                                     .linux_dmabuf = nullptr,
                                                     .buffer_done = nullptr};

class ScreencopyCopier : public OutputCopier {
 public:
  ~ScreencopyCopier() override {
    if (manager_ != nullptr) zwlr_screencopy_manager_v1_destroy(manager_);
  }

  bool bind(wl_registry* registry, std::uint32_t name, const char* interface) override {
    return bindOnce(registry, name, interface, zwlr_screencopy_manager_v1_interface, manager_);
  }

  bool offered() const override { return manager_ != nullptr; }

  std::optional<Bitmap> copy(const CopyConnection& connection, wl_output* output,
                             int outputTransform, bool withCursor) override {
    FrameState frame;
    zwlr_screencopy_frame_v1* proxy =
        zwlr_screencopy_manager_v1_capture_output(manager_, withCursor ? 1 : 0, output);
    zwlr_screencopy_frame_v1_add_listener(proxy, &kFrameEvents, &frame);
    dispatchWhileWaiting(connection.display, connection.answerTime,
                         [&] { return frame.announced || frame.failed; });
    std::optional<Bitmap> picture;
    if (frame.announced && !frame.failed) {
      const SharedBuffer buffer(connection.shm, frame.format, frame.width, frame.height,
                                frame.stride);
      if (buffer.buffer() != nullptr) {
        zwlr_screencopy_frame_v1_copy(proxy, buffer.buffer());
        dispatchWhileWaiting(connection.display, connection.answerTime,
                             [&] { return frame.ready || frame.failed; });
        if (frame.ready) {
          picture =
              uprightPicture(OutputBuffer{frame.format, frame.width, frame.height, frame.stride,
                                          frame.upsideDown, outputTransform, buffer.pixels()});
        }
      }
    }
    zwlr_screencopy_frame_v1_destroy(proxy);
    return picture;
  }

 private:
  zwlr_screencopy_manager_v1* manager_ = nullptr;
};

}  // namespace

std::unique_ptr<OutputCopier> screencopyCopier() {
  return std::make_unique<ScreencopyCopier>();
}

}  // namespace snaprill
