#include "tools/fake_capture_compositor.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include <wayland-server-protocol.h>
#include <wayland-server.h>

#include "backends/wayland/image_copy_capture_protocol.h"
#include "backends/wayland/screencopy_protocol.h"

namespace snaprill {

// What a global or an object of a client stands for: every object here belongs to
// one output, except the managers.
struct FakeCaptureCompositor::Binding {
  FakeCaptureCompositor* compositor = nullptr;
  const FakeOutput* output = nullptr;
  wl_resource* buffer = nullptr;   // an image-copy frame's attached buffer
  wl_resource* session = nullptr;  // and its session
};

namespace {

using Binding = FakeCaptureCompositor::Binding;

Binding& bindingOf(wl_resource* resource) {
  return *static_cast<Binding*>(wl_resource_get_user_data(resource));
}

void forgetBinding(wl_resource* resource) {
  std::unique_ptr<Binding> owned(static_cast<Binding*>(wl_resource_get_user_data(resource)));
}

// A new object of the client's, owning its binding.
wl_resource* makeObject(wl_client* client, const wl_interface* interface, int version,
                        std::uint32_t id, const Binding& binding, wl_dispatcher_func_t dispatcher) {
  wl_resource* resource = wl_resource_create(client, interface, version, id);
  auto owned = std::make_unique<Binding>(binding);
  if (dispatcher != nullptr) {
    wl_resource_set_dispatcher(resource, dispatcher, nullptr, owned.release(), &forgetBinding);
  } else {
    wl_resource_set_implementation(resource, nullptr, owned.release(), &forgetBinding);
  }
  return resource;
}

// The pattern of fake_capture_compositor.h into a client's shared-memory buffer.
// False when the buffer is not one of the session's shape.
bool fill(wl_resource* resource, const FakeOutput& output, std::uint8_t mark,
          const FakeCaptureSettings* constraints) {
  wl_shm_buffer* buffer = resource != nullptr ? wl_shm_buffer_get(resource) : nullptr;
  if (buffer == nullptr || wl_shm_buffer_get_width(buffer) != output.width ||
      wl_shm_buffer_get_height(buffer) != output.height) {
    return false;
  }
  if (constraints != nullptr) {
    bool offered = false;
    for (const std::uint32_t format : constraints->formats) {
      offered = offered || format == wl_shm_buffer_get_format(buffer);
    }
    if (!offered) return false;
  }
  wl_shm_buffer_begin_access(buffer);
  auto* pixels = static_cast<std::uint8_t*>(wl_shm_buffer_get_data(buffer));
  const int stride = wl_shm_buffer_get_stride(buffer);
  for (int y = 0; y < output.height; ++y) {
    for (int x = 0; x < output.width; ++x) {
      std::uint8_t* pixel = pixels + y * stride + x * 4;
      pixel[0] = static_cast<std::uint8_t>(x);
      pixel[1] = static_cast<std::uint8_t>(y);
      pixel[2] = mark;
      pixel[3] = 0xff;
    }
  }
  wl_shm_buffer_end_access(buffer);
  return true;
}

std::uint8_t markOf(const Binding& binding, std::uint8_t copierMark) {
  const auto& outputs = binding.compositor->settings().outputs;
  return static_cast<std::uint8_t>(copierMark + (binding.output - outputs.data()));
}

void announceConstraints(wl_resource* session, const Binding& binding) {
  const FakeCaptureSettings& settings = binding.compositor->settings();
  if (settings.stopSessions) {
    wl_resource_post_event(session, image_copy::kStopped);
    return;
  }
  for (const std::uint32_t format : settings.formats) {
    wl_resource_post_event(session, image_copy::kShmFormat, format);
  }
  const auto width = settings.announcedWidth != 0
                         ? settings.announcedWidth
                         : static_cast<std::uint32_t>(binding.output->width);
  const auto height = settings.announcedHeight != 0
                          ? settings.announcedHeight
                          : static_cast<std::uint32_t>(binding.output->height);
  wl_resource_post_event(session, image_copy::kBufferSize, width, height);
  wl_resource_post_event(session, image_copy::kConstraintsDone);
}

int frameRequest(const void*, void* target, std::uint32_t opcode, const wl_message*,
                 wl_argument* args) {
  auto* frame = static_cast<wl_resource*>(target);
  Binding& binding = bindingOf(frame);
  const FakeCaptureSettings& settings = binding.compositor->settings();
  switch (opcode) {
    case image_copy::kFrameDestroy:
      wl_resource_destroy(frame);
      break;
    case image_copy::kAttachBuffer:
      binding.buffer = reinterpret_cast<wl_resource*>(args[0].o);
      break;
    case image_copy::kCapture:
      binding.compositor->captureStarting();
      if (settings.silentFrames) {
        break;
      } else if (settings.failFrames) {
        wl_resource_post_event(frame, image_copy::kFailed, 0u);
      } else if (binding.compositor->refuseFrameForNewConstraints()) {
        announceConstraints(binding.session, binding);
        wl_resource_post_event(frame, image_copy::kFailed, image_copy::kBufferConstraints);
      } else if (!fill(binding.buffer, *binding.output, markOf(binding, kImageCopyMark),
                       &settings)) {
        wl_resource_post_event(frame, image_copy::kFailed, image_copy::kBufferConstraints);
      } else {
        wl_resource_post_event(frame, image_copy::kTransform,
                               static_cast<std::uint32_t>(binding.output->transform));
        wl_resource_post_event(frame, image_copy::kReady);
      }
      break;
    default:  // damage_buffer: every capture fills the whole buffer
      break;
  }
  return 0;
}

int sessionRequest(const void*, void* target, std::uint32_t opcode, const wl_message*,
                   wl_argument* args) {
  auto* session = static_cast<wl_resource*>(target);
  if (opcode == image_copy::kSessionDestroy) {
    wl_resource_destroy(session);
  } else if (opcode == image_copy::kCreateFrame) {
    Binding frame = bindingOf(session);
    frame.session = session;
    makeObject(wl_resource_get_client(session), kImageCopyFrameInterface, 1, args[0].n, frame,
               &frameRequest);
  }
  return 0;
}

int copyManagerRequest(const void*, void* target, std::uint32_t opcode, const wl_message*,
                       wl_argument* args) {
  auto* manager = static_cast<wl_resource*>(target);
  if (opcode == image_copy::kCopyManagerDestroy) {
    wl_resource_destroy(manager);
  } else if (opcode == image_copy::kCreateSession) {
    const Binding& source = bindingOf(reinterpret_cast<wl_resource*>(args[1].o));
    source.compositor->sessionMade(args[2].u);
    wl_resource* session = makeObject(wl_resource_get_client(manager), kImageCopySessionInterface,
                                      1, args[0].n, source, &sessionRequest);
    announceConstraints(session, source);
  }
  return 0;
}

int sourceRequest(const void*, void* target, std::uint32_t, const wl_message*, wl_argument*) {
  wl_resource_destroy(static_cast<wl_resource*>(target));  // its only request
  return 0;
}

int sourceManagerRequest(const void*, void* target, std::uint32_t opcode, const wl_message*,
                         wl_argument* args) {
  auto* manager = static_cast<wl_resource*>(target);
  if (opcode == image_copy::kSourceManagerDestroy) {
    wl_resource_destroy(manager);
  } else if (opcode == image_copy::kCreateSource) {
    const Binding& output = bindingOf(reinterpret_cast<wl_resource*>(args[1].o));
    makeObject(wl_resource_get_client(manager), kCaptureSourceInterface, 1, args[0].n, output,
               &sourceRequest);
  }
  return 0;
}

int screencopyFrameRequest(const void*, void* target, std::uint32_t opcode, const wl_message*,
                           wl_argument* args) {
  auto* frame = static_cast<wl_resource*>(target);
  const Binding& binding = bindingOf(frame);
  if (opcode == screencopy::kFrameDestroy) {
    wl_resource_destroy(frame);
  } else if (opcode == screencopy::kCopy) {
    if (fill(reinterpret_cast<wl_resource*>(args[0].o), *binding.output,
             markOf(binding, kScreencopyMark), nullptr)) {
      wl_resource_post_event(frame, screencopy::kFlags, 0u);
      wl_resource_post_event(frame, screencopy::kReady, 0u, 0u, 0u);
    } else {
      wl_resource_post_event(frame, screencopy::kFailed);
    }
  }
  return 0;
}

int screencopyManagerRequest(const void*, void* target, std::uint32_t opcode, const wl_message*,
                             wl_argument* args) {
  auto* manager = static_cast<wl_resource*>(target);
  if (opcode == screencopy::kManagerDestroy) {
    wl_resource_destroy(manager);
  } else if (opcode == screencopy::kCaptureOutput) {
    const Binding& output = bindingOf(reinterpret_cast<wl_resource*>(args[2].o));
    wl_resource* frame =
        makeObject(wl_resource_get_client(manager), kScreencopyFrameInterface,
                   wl_resource_get_version(manager), args[0].n, output, &screencopyFrameRequest);
    const FakeOutput& o = *output.output;
    wl_resource_post_event(frame, screencopy::kBuffer, std::uint32_t{WL_SHM_FORMAT_XRGB8888},
                           static_cast<std::uint32_t>(o.width),
                           static_cast<std::uint32_t>(o.height),
                           static_cast<std::uint32_t>(o.width * 4));
  }
  return 0;
}

void bindOutput(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
  const Binding& global = *static_cast<Binding*>(data);
  wl_resource* resource = makeObject(client, &wl_output_interface,
                                     static_cast<int>(std::min(version, 2u)), id, global, nullptr);
  const FakeOutput& o = *global.output;
  wl_output_send_geometry(resource, o.x, o.y, 0, 0, WL_OUTPUT_SUBPIXEL_UNKNOWN, "fake", "fake",
                          o.transform);
  wl_output_send_mode(resource, WL_OUTPUT_MODE_CURRENT, o.width, o.height, 60000);
  wl_output_send_scale(resource, o.scale);
  wl_output_send_done(resource);
}

template <const wl_interface* const* interface, wl_dispatcher_func_t dispatcher>
void bindManager(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
  makeObject(client, *interface, static_cast<int>(version), id, *static_cast<Binding*>(data),
             dispatcher);
}

}  // namespace

FakeCaptureCompositor::FakeCaptureCompositor(FakeCaptureSettings settings)
    : settings_(std::move(settings)) {
  if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
    char folder[] = "/tmp/snaprill-compositor-XXXXXX";
    if (mkdtemp(folder) == nullptr) throw std::runtime_error("no folder for the socket");
    runtimeDirMade_ = folder;
    setenv("XDG_RUNTIME_DIR", folder, 1);
  }
  display_ = wl_display_create();
  const char* socket = wl_display_add_socket_auto(display_);
  if (socket == nullptr) throw std::runtime_error("no Wayland socket");
  setenv("WAYLAND_DISPLAY", socket, 1);
  wl_display_init_shm(display_);
  for (const std::uint32_t format : settings_.formats) {
    if (format != WL_SHM_FORMAT_ARGB8888 && format != WL_SHM_FORMAT_XRGB8888) {
      wl_display_add_shm_format(display_, format);
    }
  }
  const auto binding = [this](const FakeOutput* output) {
    bindings_.push_back(std::make_unique<Binding>(Binding{this, output, nullptr}));
    return bindings_.back().get();
  };
  for (const FakeOutput& output : settings_.outputs) {
    outputGlobals_.push_back(
        wl_global_create(display_, &wl_output_interface, 2, binding(&output), &bindOutput));
  }
  if (settings_.imageCopy) {
    wl_global_create(display_, kOutputSourceManagerInterface, 1, binding(nullptr),
                     &bindManager<&kOutputSourceManagerInterface, &sourceManagerRequest>);
    wl_global_create(display_, kImageCopyManagerInterface, 1, binding(nullptr),
                     &bindManager<&kImageCopyManagerInterface, &copyManagerRequest>);
  }
  if (settings_.screencopy) {
    wl_global_create(display_, kScreencopyManagerInterface, 1, binding(nullptr),
                     &bindManager<&kScreencopyManagerInterface, &screencopyManagerRequest>);
  }
  thread_ = std::thread([this] {
    wl_event_loop* loop = wl_display_get_event_loop(display_);
    while (!stop_) {
      wl_event_loop_dispatch(loop, 20);
      wl_display_flush_clients(display_);
    }
  });
}

void FakeCaptureCompositor::captureStarting() {
  if (!settings_.unplugLastOutputAtFirstCapture || unplugged_ || outputGlobals_.empty()) return;
  unplugged_ = true;
  wl_global_destroy(outputGlobals_.back());
  outputGlobals_.pop_back();
}

FakeCaptureCompositor::~FakeCaptureCompositor() {
  stop_ = true;
  thread_.join();
  wl_display_destroy_clients(display_);
  wl_display_destroy(display_);
  unsetenv("WAYLAND_DISPLAY");
  if (!runtimeDirMade_.empty()) {
    unsetenv("XDG_RUNTIME_DIR");
    rmdir(runtimeDirMade_.c_str());
  }
}

}  // namespace snaprill
