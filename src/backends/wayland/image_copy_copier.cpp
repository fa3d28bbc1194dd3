// One output's picture through ext-image-copy-capture: a source for the output, a
// session on it, and one frame copied into shared memory in a format we read.
#include <climits>
#include <cstdint>

#include <wayland-client-protocol.h>
#include <wayland-protocols/ext-image-capture-source-v1-client-protocol.h>
#include <wayland-protocols/ext-image-copy-capture-v1-client-protocol.h>

#include "backends/wayland/dispatch_until.h"
#include "backends/wayland/output_copier.h"
#include "backends/wayland/output_picture.h"
#include "backends/wayland/shared_buffer.h"

namespace snaprill {

namespace {

constexpr int kUnreadable = static_cast<int>(kReadableShmFormats.size());

// The session's latest batch of buffer constraints. A batch may come again, whole,
// whenever the constraints change; each ends with `done`.
struct SessionState {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int format = kUnreadable;  // index in kReadableShmFormats
  bool batchOpen = false;
  int batches = 0;  // batches ended
  bool stopped = false;
};

struct FrameState {
  int transform = 0;
  bool ready = false;
  bool failed = false;
  std::uint32_t reason = 0;
};

// Every constraint event but `stopped` belongs to a batch; the first of one starts
// it afresh.
SessionState& batchOf(void* data) {
  auto& session = *static_cast<SessionState*>(data);
  if (!session.batchOpen) {
    session.batchOpen = true;
    session.format = kUnreadable;
  }
  return session;
}

void bufferSize(void* data, ext_image_copy_capture_session_v1*, std::uint32_t width,
                std::uint32_t height) {
  SessionState& session = batchOf(data);
  session.width = width;
  session.height = height;
}
void shmFormat(void* data, ext_image_copy_capture_session_v1*, std::uint32_t format) {
  SessionState& session = batchOf(data);
  for (int i = 0; i < session.format; ++i) {
    if (kReadableShmFormats[i] == format) session.format = i;
  }
}
// dma-buf constraints: we only read shared memory.
void dmabufDevice(void* data, ext_image_copy_capture_session_v1*, wl_array*) {
  batchOf(data);
}
void dmabufFormat(void* data, ext_image_copy_capture_session_v1*, std::uint32_t, wl_array*) {
  batchOf(data);
}
void constraintsDone(void* data, ext_image_copy_capture_session_v1*) {
  SessionState& session = batchOf(data);
  session.batchOpen = false;
  ++session.batches;
}
void stopped(void* data, ext_image_copy_capture_session_v1*) {
  static_cast<SessionState*>(data)->stopped = true;
}

const ext_image_copy_capture_session_v1_listener kSessionEvents{.buffer_size = &bufferSize,
                                                                .shm_format = &shmFormat,
                                                                .dmabuf_device = &dmabufDevice,
                                                                .dmabuf_format = &dmabufFormat,
                                                                .done = &constraintsDone,
                                                                .stopped = &stopped};

void frameTransform(void* data, ext_image_copy_capture_frame_v1*, std::uint32_t transform) {
  static_cast<FrameState*>(data)->transform = static_cast<int>(transform & 7);
}
void frameDamage(void*, ext_image_copy_capture_frame_v1*, std::int32_t, std::int32_t, std::int32_t,
                 std::int32_t) {}
void framePresented(void*, ext_image_copy_capture_frame_v1*, std::uint32_t, std::uint32_t,
                    std::uint32_t) {}
void frameReady(void* data, ext_image_copy_capture_frame_v1*) {
  static_cast<FrameState*>(data)->ready = true;
}
void frameFailed(void* data, ext_image_copy_capture_frame_v1*, std::uint32_t reason) {
  auto& frame = *static_cast<FrameState*>(data);
  frame.failed = true;
  frame.reason = reason;
}

const ext_image_copy_capture_frame_v1_listener kFrameEvents{.transform = &frameTransform,
                                                            .damage = &frameDamage,
                                                            .presentation_time = &framePresented,
                                                            .ready = &frameReady,
                                                            .failed = &frameFailed};

// One frame into a buffer made to the session's latest constraints; `failure` tells
// why there is no picture when the frame failed.
std::optional<Bitmap> captureFrame(const CopyConnection& connection,
                                   ext_image_copy_capture_session_v1* session,
                                   const SessionState& constraints, int outputTransform,
                                   std::uint32_t& failure) {
  failure = 0;
  // Sizes from the compositor are checked before they size anything: the row must
  // fit an int in bytes.
  if (constraints.format == kUnreadable || constraints.width == 0 ||
      constraints.width > INT_MAX / 4 || constraints.height == 0 || constraints.height > INT_MAX) {
    return std::nullopt;
  }
  const int width = static_cast<int>(constraints.width);
  const int height = static_cast<int>(constraints.height);
  const std::uint32_t format = kReadableShmFormats[constraints.format];
  const SharedBuffer buffer(connection.shm, format, width, height, width * 4);
  if (buffer.buffer() == nullptr) return std::nullopt;

  FrameState frame;
  frame.transform = outputTransform;
  ext_image_copy_capture_frame_v1* proxy = ext_image_copy_capture_session_v1_create_frame(session);
  ext_image_copy_capture_frame_v1_add_listener(proxy, &kFrameEvents, &frame);
  ext_image_copy_capture_frame_v1_attach_buffer(proxy, buffer.buffer());
  // A new buffer: the whole of it must be filled.
  ext_image_copy_capture_frame_v1_damage_buffer(proxy, 0, 0, width, height);
  ext_image_copy_capture_frame_v1_capture(proxy);
  dispatchWhileWaiting(connection.display, connection.answerTime,
                       [&] { return frame.ready || frame.failed || constraints.stopped; });
  std::optional<Bitmap> picture;
  if (frame.ready) {
    picture = uprightPicture(
        OutputBuffer{format, width, height, width * 4, false, frame.transform, buffer.pixels()});
  } else if (frame.failed) {
    failure = frame.reason;
  }
  ext_image_copy_capture_frame_v1_destroy(proxy);
  return picture;
}

class ImageCopyCopier : public OutputCopier {
 public:
  ~ImageCopyCopier() override {
    if (copyManager_ != nullptr) ext_image_copy_capture_manager_v1_destroy(copyManager_);
    if (sourceManager_ != nullptr) {
      ext_output_image_capture_source_manager_v1_destroy(sourceManager_);
    }
  }

  bool bind(wl_registry* registry, std::uint32_t name, const char* interface) override {
    return bindOnce(registry, name, interface, ext_image_copy_capture_manager_v1_interface,
                    copyManager_) ||
           bindOnce(registry, name, interface, ext_output_image_capture_source_manager_v1_interface,
                    sourceManager_);
  }

  bool offered() const override { return copyManager_ != nullptr && sourceManager_ != nullptr; }

  std::optional<Bitmap> copy(const CopyConnection& connection, wl_output* output,
                             int outputTransform, bool withCursor) override {
    ext_image_capture_source_v1* source =
        ext_output_image_capture_source_manager_v1_create_source(sourceManager_, output);
    const std::uint32_t options =
        withCursor ? EXT_IMAGE_COPY_CAPTURE_MANAGER_V1_OPTIONS_PAINT_CURSORS : 0;
    ext_image_copy_capture_session_v1* session =
        ext_image_copy_capture_manager_v1_create_session(copyManager_, source, options);
    SessionState constraints;
    ext_image_copy_capture_session_v1_add_listener(session, &kSessionEvents, &constraints);

    std::optional<Bitmap> picture;
    // A second try only when the constraints changed under the first frame (a mode
    // switch at that moment), with the batch that came since.
    for (int attempt = 0; attempt < 2 && !picture; ++attempt) {
      dispatchWhileWaiting(connection.display, connection.answerTime,
                           [&] { return constraints.batches != 0 || constraints.stopped; });
      if (constraints.batches == 0 || constraints.stopped) break;
      const int used = constraints.batches;
      std::uint32_t failure = 0;
      picture = captureFrame(connection, session, constraints, outputTransform, failure);
      if (picture || failure != EXT_IMAGE_COPY_CAPTURE_FRAME_V1_FAILURE_REASON_BUFFER_CONSTRAINTS) {
        break;
      }
      if (wl_display_roundtrip(connection.display) < 0 || constraints.batches == used) break;
    }
    ext_image_copy_capture_session_v1_destroy(session);
    ext_image_capture_source_v1_destroy(source);
    return picture;
  }

 private:
  ext_image_copy_capture_manager_v1* copyManager_ = nullptr;
  ext_output_image_capture_source_manager_v1* sourceManager_ = nullptr;
};

}  // namespace

std::unique_ptr<OutputCopier> imageCopyCopier() {
  return std::make_unique<ImageCopyCopier>();
}

}  // namespace snaprill
