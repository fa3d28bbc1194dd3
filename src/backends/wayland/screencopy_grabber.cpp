#include "backends/wayland/screencopy_grabber.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <wayland-client-protocol.h>

#include "backends/wayland/screencopy_protocol.h"

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

int frameEvent(const void*, void* target, std::uint32_t opcode, const wl_message*,
               wl_argument* args) {
  FrameState& frame =
      *static_cast<FrameState*>(wl_proxy_get_user_data(static_cast<wl_proxy*>(target)));
  switch (opcode) {
    case screencopy::kBuffer:
      frame.format = args[0].u;
      frame.width = static_cast<int>(std::min<std::uint32_t>(args[1].u, INT_MAX));
      frame.height = static_cast<int>(std::min<std::uint32_t>(args[2].u, INT_MAX));
      frame.stride = static_cast<int>(std::min<std::uint32_t>(args[3].u, INT_MAX));
      frame.announced = true;
      break;
    case screencopy::kFlags:
      frame.upsideDown = (args[0].u & screencopy::kYInvert) != 0;
      break;
    case screencopy::kReady:
      frame.ready = true;
      break;
    case screencopy::kFailed:
      frame.failed = true;
      break;
    default:
      break;
  }
  return 0;
}

void outputGeometry(void* data, wl_output* output, std::int32_t x, std::int32_t y, std::int32_t,
                    std::int32_t, std::int32_t, const char*, const char*, std::int32_t) {
  static_cast<ScreencopyGrabber*>(data)->placed(output, x, y);
}
void outputMode(void*, wl_output*, std::uint32_t, std::int32_t, std::int32_t, std::int32_t) {}

// Bound at version 1: only the first two are ever sent.
const wl_output_listener kOutputListener{&outputGeometry, &outputMode, nullptr,
                                         nullptr,         nullptr,     nullptr};

void registryGlobal(void* data, wl_registry*, std::uint32_t name, const char* interface,
                    std::uint32_t) {
  static_cast<ScreencopyGrabber*>(data)->global(name, interface);
}
void registryGlobalRemove(void* data, wl_registry*, std::uint32_t name) {
  static_cast<ScreencopyGrabber*>(data)->globalRemoved(name);
}

const wl_registry_listener kRegistryListener{&registryGlobal, &registryGlobalRemove};

// The shared memory the compositor copies one output into.
class SharedBuffer {
 public:
  SharedBuffer(wl_shm* shm, const FrameState& frame) {
    size_ = static_cast<std::size_t>(frame.stride) * static_cast<std::size_t>(frame.height);
    if (size_ == 0 || size_ > kMaxBitmapBytes || frame.stride < frame.width * 4) return;
    fd_ = memfd_create("snaprill-screen", MFD_CLOEXEC);
    if (fd_ < 0 || ftruncate(fd_, static_cast<off_t>(size_)) != 0) return;
    void* pixels = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (pixels == MAP_FAILED) return;
    pixels_ = static_cast<std::uint8_t*>(pixels);
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd_, static_cast<std::int32_t>(size_));
    buffer_ =
        wl_shm_pool_create_buffer(pool, 0, frame.width, frame.height, frame.stride, frame.format);
    wl_shm_pool_destroy(pool);
  }
  ~SharedBuffer() {
    if (buffer_ != nullptr) wl_buffer_destroy(buffer_);
    if (pixels_ != nullptr) munmap(pixels_, size_);
    if (fd_ >= 0) close(fd_);
  }
  SharedBuffer(const SharedBuffer&) = delete;
  SharedBuffer& operator=(const SharedBuffer&) = delete;

  wl_buffer* buffer() const { return buffer_; }
  const std::uint8_t* pixels() const { return pixels_; }

 private:
  std::size_t size_ = 0;
  int fd_ = -1;
  std::uint8_t* pixels_ = nullptr;
  wl_buffer* buffer_ = nullptr;
};

// The frame's pixels as a bitmap: 32-bit formats only, the red and blue bytes
// swapped where the compositor keeps red first in memory.
std::optional<Bitmap> bitmapOf(const FrameState& frame, const std::uint8_t* pixels) {
  const bool blueFirst =
      frame.format == WL_SHM_FORMAT_ARGB8888 || frame.format == WL_SHM_FORMAT_XRGB8888;
  const bool redFirst =
      frame.format == WL_SHM_FORMAT_ABGR8888 || frame.format == WL_SHM_FORMAT_XBGR8888;
  if (!blueFirst && !redFirst) return std::nullopt;
  Bitmap picture(frame.width, frame.height, 32, Bitmap::Unfilled{});
  for (int y = 0; y < frame.height; ++y) {
    const int from = frame.upsideDown ? frame.height - 1 - y : y;
    const std::uint8_t* source = pixels + static_cast<std::size_t>(from) * frame.stride;
    std::uint8_t* target = picture.row(y);
    std::memcpy(target, source, static_cast<std::size_t>(frame.width) * 4);
    if (redFirst) {
      for (int x = 0; x < frame.width; ++x) std::swap(target[4 * x], target[4 * x + 2]);
    }
  }
  return picture;
}

}  // namespace

std::unique_ptr<ScreencopyGrabber> ScreencopyGrabber::connect() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (name == nullptr || *name == '\0') return nullptr;
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return nullptr;
  auto grabber = std::make_unique<ScreencopyGrabber>(display);
  if (!grabber->start()) return nullptr;
  return grabber;
}

ScreencopyGrabber::ScreencopyGrabber(wl_display* display) : display_(display) {}

ScreencopyGrabber::~ScreencopyGrabber() {
  for (const Output& output : outputs_) wl_output_destroy(output.output);
  if (manager_ != nullptr) {
    wl_proxy_marshal_flags(manager_, screencopy::kManagerDestroy, nullptr,
                           wl_proxy_get_version(manager_), WL_MARSHAL_FLAG_DESTROY);
  }
  if (shm_ != nullptr) wl_shm_destroy(shm_);
  if (registry_ != nullptr) wl_registry_destroy(registry_);
  wl_display_flush(display_);
  wl_display_disconnect(display_);
}

void ScreencopyGrabber::global(std::uint32_t name, const char* interface) {
  if (std::strcmp(interface, wl_output_interface.name) == 0) {
    auto* output =
        static_cast<wl_output*>(wl_registry_bind(registry_, name, &wl_output_interface, 1));
    wl_output_add_listener(output, &kOutputListener, this);
    outputs_.push_back(Output{name, output});
  } else if (std::strcmp(interface, wl_shm_interface.name) == 0 && shm_ == nullptr) {
    shm_ = static_cast<wl_shm*>(wl_registry_bind(registry_, name, &wl_shm_interface, 1));
  } else if (std::strcmp(interface, kScreencopyManagerName) == 0 && manager_ == nullptr) {
    manager_ =
        static_cast<wl_proxy*>(wl_registry_bind(registry_, name, kScreencopyManagerInterface, 1));
  }
}

void ScreencopyGrabber::globalRemoved(std::uint32_t name) {
  const auto gone = std::find_if(outputs_.begin(), outputs_.end(),
                                 [name](const Output& o) { return o.name == name; });
  if (gone == outputs_.end()) return;
  wl_output_destroy(gone->output);
  outputs_.erase(gone);
}

void ScreencopyGrabber::placed(wl_output* output, int x, int y) {
  for (Output& o : outputs_) {
    if (o.output == output) {
      o.x = x;
      o.y = y;
    }
  }
}

bool ScreencopyGrabber::start() {
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &kRegistryListener, this);
  // The second round trip brings the outputs' places.
  if (wl_display_roundtrip(display_) < 0 || wl_display_roundtrip(display_) < 0) return false;
  return manager_ != nullptr && shm_ != nullptr;
}

std::optional<Bitmap> ScreencopyGrabber::copyOutput(const Output& output, bool withCursor) {
  FrameState frame;
  wl_proxy* proxy =
      wl_proxy_marshal_flags(manager_, screencopy::kCaptureOutput, kScreencopyFrameInterface, 1, 0,
                             nullptr, withCursor ? 1 : 0, output.output);
  wl_proxy_add_dispatcher(proxy, &frameEvent, nullptr, &frame);
  while (!frame.announced && !frame.failed) {
    if (wl_display_dispatch(display_) < 0) break;
  }
  std::optional<Bitmap> picture;
  if (frame.announced && !frame.failed) {
    const SharedBuffer buffer(shm_, frame);
    if (buffer.buffer() != nullptr) {
      wl_proxy_marshal_flags(proxy, screencopy::kCopy, nullptr, 1, 0, buffer.buffer());
      while (!frame.ready && !frame.failed) {
        if (wl_display_dispatch(display_) < 0) break;
      }
      if (frame.ready) picture = bitmapOf(frame, buffer.pixels());
    }
  }
  wl_proxy_marshal_flags(proxy, screencopy::kFrameDestroy, nullptr, 1, WL_MARSHAL_FLAG_DESTROY);
  return picture;
}

Bitmap ScreencopyGrabber::grabScreen(bool withCursor) {
  // Outputs plugged in or out since the last picture.
  if (wl_display_roundtrip(display_) < 0 || outputs_.empty()) return {};
  struct Placed {
    Bitmap picture;
    int x, y;
  };
  std::vector<Placed> pictures;
  Rect whole{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (const Output& output : outputs_) {
    std::optional<Bitmap> picture = copyOutput(output, withCursor);
    if (!picture) return {};
    whole.left = std::min(whole.left, output.x);
    whole.top = std::min(whole.top, output.y);
    whole.right = std::max(whole.right, output.x + picture->width());
    whole.bottom = std::max(whole.bottom, output.y + picture->height());
    pictures.push_back({std::move(*picture), output.x, output.y});
  }
  if (pictures.size() == 1) return std::move(pictures.front().picture);
  Bitmap screen(whole.width(), whole.height(), 32);
  for (const Placed& p : pictures) drawBitmap(screen, p.x - whole.left, p.y - whole.top, p.picture);
  return screen;
}

}  // namespace snaprill
