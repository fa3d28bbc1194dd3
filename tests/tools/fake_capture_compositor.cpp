#include "tools/fake_capture_compositor.h"

#include <algorithm>

#include <wayland-protocols/ext-image-capture-source-v1-server-protocol.h>
#include <wayland-protocols/ext-image-copy-capture-v1-server-protocol.h>
#include <wayland-protocols/wlr-screencopy-unstable-v1-server-protocol.h>
#include <wayland-server-protocol.h>
#include <wayland-server.h>

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

// A new object of the client's, owning its binding; `requests` is the protocol's
// table of handlers (nullptr: the interface has none).
wl_resource* makeObject(wl_client* client, const wl_interface* interface, int version,
                        std::uint32_t id, const Binding& binding, const void* requests) {
  wl_resource* resource = wl_resource_create(client, interface, version, id);
  wl_resource_set_implementation(resource, requests, std::make_unique<Binding>(binding).release(),
                                 &forgetBinding);
  return resource;
}

void destroyObject(wl_client*, wl_resource* resource) {
  wl_resource_destroy(resource);
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
    ext_image_copy_capture_session_v1_send_stopped(session);
    return;
  }
  for (const std::uint32_t format : settings.formats) {
    ext_image_copy_capture_session_v1_send_shm_format(session, format);
  }
  const auto width = settings.announcedWidth != 0
                         ? settings.announcedWidth
                         : static_cast<std::uint32_t>(binding.output->width);
  const auto height = settings.announcedHeight != 0
                          ? settings.announcedHeight
                          : static_cast<std::uint32_t>(binding.output->height);
  ext_image_copy_capture_session_v1_send_buffer_size(session, width, height);
  ext_image_copy_capture_session_v1_send_done(session);
}

void attachBuffer(wl_client*, wl_resource* frame, wl_resource* buffer) {
  bindingOf(frame).buffer = buffer;
}

// Every capture fills the whole buffer.
void damageBuffer(wl_client*, wl_resource*, std::int32_t, std::int32_t, std::int32_t,
                  std::int32_t) {}

void capture(wl_client*, wl_resource* frame) {
  Binding& binding = bindingOf(frame);
  const FakeCaptureSettings& settings = binding.compositor->settings();
  constexpr auto kConstraints = EXT_IMAGE_COPY_CAPTURE_FRAME_V1_FAILURE_REASON_BUFFER_CONSTRAINTS;
  binding.compositor->captureStarting();
  if (settings.silentFrames) return;
  if (settings.failFrames) {
    ext_image_copy_capture_frame_v1_send_failed(frame, 0);
  } else if (binding.compositor->refuseFrameForNewConstraints()) {
    announceConstraints(binding.session, binding);
    ext_image_copy_capture_frame_v1_send_failed(frame, kConstraints);
  } else if (!fill(binding.buffer, *binding.output, markOf(binding, kImageCopyMark), &settings)) {
    ext_image_copy_capture_frame_v1_send_failed(frame, kConstraints);
  } else {
    ext_image_copy_capture_frame_v1_send_transform(
        frame, static_cast<std::uint32_t>(binding.output->transform));
    ext_image_copy_capture_frame_v1_send_ready(frame);
  }
}

const struct ext_image_copy_capture_frame_v1_interface kFrameRequests {
  .destroy = &destroyObject, .attach_buffer = &attachBuffer, .damage_buffer = &damageBuffer,
  .capture = &capture
};

void createFrame(wl_client* client, wl_resource* session, std::uint32_t id) {
  Binding frame = bindingOf(session);
  frame.session = session;
  makeObject(client, &ext_image_copy_capture_frame_v1_interface, 1, id, frame, &kFrameRequests);
}

const struct ext_image_copy_capture_session_v1_interface kSessionRequests {
  .create_frame = &createFrame, .destroy = &destroyObject
};

void createSession(wl_client* client, wl_resource*, std::uint32_t id, wl_resource* source,
                   std::uint32_t options) {
  const Binding& output = bindingOf(source);
  output.compositor->sessionMade(options);
  wl_resource* session = makeObject(client, &ext_image_copy_capture_session_v1_interface, 1, id,
                                    output, &kSessionRequests);
  announceConstraints(session, output);
}

// Cursor sessions are never asked for.
const struct ext_image_copy_capture_manager_v1_interface kCopyManagerRequests {
  .create_session = &createSession, .create_pointer_cursor_session = nullptr,
  .destroy = &destroyObject
};

const struct ext_image_capture_source_v1_interface kSourceRequests { .destroy = &destroyObject };

void createSource(wl_client* client, wl_resource*, std::uint32_t id, wl_resource* output) {
  makeObject(client, &ext_image_capture_source_v1_interface, 1, id, bindingOf(output),
             &kSourceRequests);
}

const struct ext_output_image_capture_source_manager_v1_interface kSourceManagerRequests {
  .create_source = &createSource, .destroy = &destroyObject
};

void screencopyCopy(wl_client*, wl_resource* frame, wl_resource* buffer) {
  const Binding& binding = bindingOf(frame);
  if (fill(buffer, *binding.output, markOf(binding, kScreencopyMark), nullptr)) {
    zwlr_screencopy_frame_v1_send_flags(frame, 0);
    zwlr_screencopy_frame_v1_send_ready(frame, 0, 0, 0);
  } else {
    zwlr_screencopy_frame_v1_send_failed(frame);
  }
}

// Version 1: no copy with damage.
const struct zwlr_screencopy_frame_v1_interface kScreencopyFrameRequests {
  .copy = &screencopyCopy, .destroy = &destroyObject, .copy_with_damage = nullptr
};

void captureOutput(wl_client* client, wl_resource* manager, std::uint32_t id, std::int32_t,
                   wl_resource* outputResource) {
  const Binding& output = bindingOf(outputResource);
  wl_resource* frame =
      makeObject(client, &zwlr_screencopy_frame_v1_interface, wl_resource_get_version(manager), id,
                 output, &kScreencopyFrameRequests);
  const FakeOutput& o = *output.output;
  zwlr_screencopy_frame_v1_send_buffer(
      frame, WL_SHM_FORMAT_XRGB8888, static_cast<std::uint32_t>(o.width),
      static_cast<std::uint32_t>(o.height), static_cast<std::uint32_t>(o.width * 4));
}

// Regions are never asked for.
const struct zwlr_screencopy_manager_v1_interface kScreencopyManagerRequests {
  .capture_output = &captureOutput, .capture_output_region = nullptr, .destroy = &destroyObject
};

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

template <const wl_interface* interface, auto requests>
void bindManager(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
  makeObject(client, interface, static_cast<int>(version), id, *static_cast<Binding*>(data),
             requests);
}

}  // namespace

FakeCaptureCompositor::FakeCaptureCompositor(FakeCaptureSettings settings)
    : settings_(std::move(settings)) {
  wl_display* display = wayland_.display();
  wl_display_init_shm(display);
  for (const std::uint32_t format : settings_.formats) {
    if (format != WL_SHM_FORMAT_ARGB8888 && format != WL_SHM_FORMAT_XRGB8888) {
      wl_display_add_shm_format(display, format);
    }
  }
  const auto binding = [this](const FakeOutput* output) {
    bindings_.push_back(std::make_unique<Binding>(Binding{this, output, nullptr}));
    return bindings_.back().get();
  };
  for (const FakeOutput& output : settings_.outputs) {
    outputGlobals_.push_back(
        wl_global_create(display, &wl_output_interface, 2, binding(&output), &bindOutput));
  }
  if (settings_.imageCopy) {
    wl_global_create(display, &ext_output_image_capture_source_manager_v1_interface, 1,
                     binding(nullptr),
                     &bindManager<&ext_output_image_capture_source_manager_v1_interface,
                                  &kSourceManagerRequests>);
    wl_global_create(
        display, &ext_image_copy_capture_manager_v1_interface, 1, binding(nullptr),
        &bindManager<&ext_image_copy_capture_manager_v1_interface, &kCopyManagerRequests>);
  }
  if (settings_.screencopy) {
    wl_global_create(
        display, &zwlr_screencopy_manager_v1_interface, 1, binding(nullptr),
        &bindManager<&zwlr_screencopy_manager_v1_interface, &kScreencopyManagerRequests>);
  }
  wayland_.serve();
}

FakeCaptureCompositor::~FakeCaptureCompositor() = default;

void FakeCaptureCompositor::captureStarting() {
  if (!settings_.unplugLastOutputAtFirstCapture || unplugged_ || outputGlobals_.empty()) return;
  unplugged_ = true;
  wl_global_destroy(outputGlobals_.back());
  outputGlobals_.pop_back();
}

}  // namespace snaprill
