#include "backends/wayland/image_copy_frame.h"

#include <climits>
#include <cstdint>

#include <wayland-client-protocol.h>

#include "backends/wayland/image_copy_capture_protocol.h"
#include "backends/wayland/output_picture.h"
#include "backends/wayland/shared_buffer.h"
#include "backends/wayland/wayland_proxy.h"

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

template <class State>
State& stateOf(void* target) {
  return *static_cast<State*>(wl_proxy_get_user_data(static_cast<wl_proxy*>(target)));
}

int sessionEvent(const void*, void* target, std::uint32_t opcode, const wl_message*,
                 wl_argument* args) {
  auto& session = stateOf<SessionState>(target);
  if (opcode == image_copy::kStopped) {
    session.stopped = true;
    return 0;
  }
  if (!session.batchOpen) {
    session.batchOpen = true;
    session.format = kUnreadable;
  }
  switch (opcode) {
    case image_copy::kBufferSize:
      session.width = args[0].u;
      session.height = args[1].u;
      break;
    case image_copy::kShmFormat:
      for (int i = 0; i < session.format; ++i) {
        if (kReadableShmFormats[i] == args[0].u) session.format = i;
      }
      break;
    case image_copy::kConstraintsDone:
      session.batchOpen = false;
      ++session.batches;
      break;
    default:  // dma-buf constraints: we only read shared memory
      break;
  }
  return 0;
}

int frameEvent(const void*, void* target, std::uint32_t opcode, const wl_message*,
               wl_argument* args) {
  auto& frame = stateOf<FrameState>(target);
  switch (opcode) {
    case image_copy::kTransform:
      frame.transform = static_cast<int>(args[0].u & 7);
      break;
    case image_copy::kReady:
      frame.ready = true;
      break;
    case image_copy::kFailed:
      frame.failed = true;
      frame.reason = args[0].u;
      break;
    default:
      break;
  }
  return 0;
}

// One frame into a buffer made to the session's latest constraints; `failure` tells
// why there is no picture when the frame failed.
std::optional<Bitmap> captureFrame(const ImageCopyGlobals& globals, wl_proxy* session,
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
  const SharedBuffer buffer(globals.shm, format, width, height, width * 4);
  if (buffer.buffer() == nullptr) return std::nullopt;

  FrameState frame;
  frame.transform = outputTransform;
  wl_proxy* proxy = wl_proxy_marshal_flags(session, image_copy::kCreateFrame,
                                           kImageCopyFrameInterface, 1, 0, nullptr);
  wl_proxy_add_dispatcher(proxy, &frameEvent, nullptr, &frame);
  wl_proxy_marshal_flags(proxy, image_copy::kAttachBuffer, nullptr, 1, 0, buffer.buffer());
  // A new buffer: the whole of it must be filled.
  wl_proxy_marshal_flags(proxy, image_copy::kDamageBuffer, nullptr, 1, 0, 0, 0, width, height);
  wl_proxy_marshal_flags(proxy, image_copy::kCapture, nullptr, 1, 0);
  dispatchWhileWaiting(globals.display, globals.answerTime,
                       [&] { return frame.ready || frame.failed || constraints.stopped; });
  std::optional<Bitmap> picture;
  if (frame.ready) {
    picture = uprightPicture(
        OutputBuffer{format, width, height, width * 4, false, frame.transform, buffer.pixels()});
  } else if (frame.failed) {
    failure = frame.reason;
  }
  destroyObject(proxy, image_copy::kFrameDestroy);
  return picture;
}

}  // namespace

std::optional<Bitmap> copyOutputByImageCopy(const ImageCopyGlobals& globals, wl_output* output,
                                            int outputTransform, bool withCursor) {
  wl_proxy* source = wl_proxy_marshal_flags(globals.sourceManager, image_copy::kCreateSource,
                                            kCaptureSourceInterface, 1, 0, nullptr, output);
  const std::uint32_t options = withCursor ? image_copy::kPaintCursors : 0;
  wl_proxy* session =
      wl_proxy_marshal_flags(globals.copyManager, image_copy::kCreateSession,
                             kImageCopySessionInterface, 1, 0, nullptr, source, options);
  SessionState constraints;
  wl_proxy_add_dispatcher(session, &sessionEvent, nullptr, &constraints);

  std::optional<Bitmap> picture;
  // A second try only when the constraints changed under the first frame (a mode
  // switch at that moment), with the batch that came since.
  for (int attempt = 0; attempt < 2 && !picture; ++attempt) {
    dispatchWhileWaiting(globals.display, globals.answerTime,
                         [&] { return constraints.batches != 0 || constraints.stopped; });
    if (constraints.batches == 0 || constraints.stopped) break;
    const int used = constraints.batches;
    std::uint32_t failure = 0;
    picture = captureFrame(globals, session, constraints, outputTransform, failure);
    if (picture || failure != image_copy::kBufferConstraints) break;
    if (wl_display_roundtrip(globals.display) < 0 || constraints.batches == used) break;
  }
  destroyObject(session, image_copy::kSessionDestroy);
  destroyObject(source, image_copy::kSourceDestroy);
  return picture;
}

}  // namespace snaprill
