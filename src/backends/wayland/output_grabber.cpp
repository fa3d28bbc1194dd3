#include "backends/wayland/output_grabber.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <wayland-client-protocol.h>

#include "backends/wayland/image_copy_capture_protocol.h"
#include "backends/wayland/image_copy_frame.h"
#include "backends/wayland/output_layout.h"
#include "backends/wayland/output_picture.h"
#include "backends/wayland/screencopy_protocol.h"
#include "backends/wayland/shared_buffer.h"
#include "backends/wayland/wayland_proxy.h"
#include "backends/wayland/xdg_output_protocol.h"

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
                    std::int32_t, std::int32_t, const char*, const char*, std::int32_t transform) {
  static_cast<OutputGrabber*>(data)->described(output, x, y, transform);
}
void outputMode(void*, wl_output*, std::uint32_t, std::int32_t, std::int32_t, std::int32_t) {}
void outputDone(void*, wl_output*) {}
void outputScale(void* data, wl_output* output, std::int32_t factor) {
  static_cast<OutputGrabber*>(data)->scaled(output, factor);
}

// Bound at version 2 at most: the name and description are never sent.
constexpr std::uint32_t kOutputVersion = 2;
const wl_output_listener kOutputListener{&outputGeometry, &outputMode, &outputDone,
                                         &outputScale,    nullptr,     nullptr};

int logicalPlaceEvent(const void*, void* target, std::uint32_t opcode, const wl_message*,
                      wl_argument* args) {
  // The other events (done, name, description) carry nothing needed here.
  if (opcode != xdg_output::kLogicalPosition && opcode != xdg_output::kLogicalSize) return 0;
  auto* proxy = static_cast<wl_proxy*>(target);
  static_cast<OutputGrabber*>(wl_proxy_get_user_data(proxy))
      ->logicallyPlaced(proxy, opcode, args[0].i, args[1].i);
  return 0;
}

void registryGlobal(void* data, wl_registry*, std::uint32_t name, const char* interface,
                    std::uint32_t version) {
  static_cast<OutputGrabber*>(data)->global(name, interface, version);
}
void registryGlobalRemove(void* data, wl_registry*, std::uint32_t name) {
  static_cast<OutputGrabber*>(data)->globalRemoved(name);
}

const wl_registry_listener kRegistryListener{&registryGlobal, &registryGlobalRemove};

}  // namespace

std::unique_ptr<OutputGrabber> OutputGrabber::connect(std::chrono::milliseconds answerTime) {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (name == nullptr || *name == '\0') return nullptr;
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return nullptr;
  auto grabber = std::make_unique<OutputGrabber>(display);
  grabber->answerTime_ = answerTime;
  if (!grabber->start()) return nullptr;
  return grabber;
}

OutputGrabber::OutputGrabber(wl_display* display) : display_(display) {}

namespace {

void destroyLogicalPlace(wl_proxy* logicalPlace) {
  if (logicalPlace == nullptr) return;
  destroyObject(logicalPlace, xdg_output::kOutputDestroy);
}

}  // namespace

OutputGrabber::~OutputGrabber() {
  for (const Output& output : outputs_) {
    destroyLogicalPlace(output.logicalPlace);
    wl_output_destroy(output.output);
  }
  if (xdgOutputManager_ != nullptr) {
    destroyObject(xdgOutputManager_, xdg_output::kManagerDestroy);
  }
  if (screencopyManager_ != nullptr) {
    destroyObject(screencopyManager_, screencopy::kManagerDestroy);
  }
  if (copyManager_ != nullptr) {
    destroyObject(copyManager_, image_copy::kCopyManagerDestroy);
  }
  if (sourceManager_ != nullptr) {
    destroyObject(sourceManager_, image_copy::kSourceManagerDestroy);
  }
  if (shm_ != nullptr) wl_shm_destroy(shm_);
  if (registry_ != nullptr) wl_registry_destroy(registry_);
  wl_display_flush(display_);
  wl_display_disconnect(display_);
}

void OutputGrabber::global(std::uint32_t name, const char* interface, std::uint32_t version) {
  if (std::strcmp(interface, wl_output_interface.name) == 0) {
    auto* output = static_cast<wl_output*>(
        wl_registry_bind(registry_, name, &wl_output_interface, std::min(version, kOutputVersion)));
    wl_output_add_listener(output, &kOutputListener, this);
    Output& added = outputs_.emplace_back();
    added.name = name;
    added.output = output;
    watchLogicalPlace(added);
  } else if (std::strcmp(interface, kXdgOutputManagerName) == 0 && xdgOutputManager_ == nullptr) {
    xdgOutputManager_ =
        static_cast<wl_proxy*>(wl_registry_bind(registry_, name, kXdgOutputManagerInterface, 1));
    for (Output& output : outputs_) watchLogicalPlace(output);
  } else if (std::strcmp(interface, wl_shm_interface.name) == 0 && shm_ == nullptr) {
    shm_ = static_cast<wl_shm*>(wl_registry_bind(registry_, name, &wl_shm_interface, 1));
  } else if (std::strcmp(interface, kScreencopyManagerName) == 0 && screencopyManager_ == nullptr) {
    screencopyManager_ =
        static_cast<wl_proxy*>(wl_registry_bind(registry_, name, kScreencopyManagerInterface, 1));
  } else if (std::strcmp(interface, kImageCopyManagerName) == 0 && copyManager_ == nullptr) {
    copyManager_ =
        static_cast<wl_proxy*>(wl_registry_bind(registry_, name, kImageCopyManagerInterface, 1));
  } else if (std::strcmp(interface, kOutputSourceManagerName) == 0 && sourceManager_ == nullptr) {
    sourceManager_ =
        static_cast<wl_proxy*>(wl_registry_bind(registry_, name, kOutputSourceManagerInterface, 1));
  }
}

void OutputGrabber::globalRemoved(std::uint32_t name) {
  const auto gone = std::find_if(outputs_.begin(), outputs_.end(),
                                 [name](const Output& o) { return o.name == name; });
  if (gone == outputs_.end()) return;
  destroyLogicalPlace(gone->logicalPlace);
  wl_output_destroy(gone->output);
  outputs_.erase(gone);
}

void OutputGrabber::watchLogicalPlace(Output& output) {
  if (xdgOutputManager_ == nullptr || output.logicalPlace != nullptr) return;
  output.logicalPlace = wl_proxy_marshal_flags(xdgOutputManager_, xdg_output::kGetOutput,
                                               kXdgOutputInterface, 1, 0, nullptr, output.output);
  wl_proxy_add_dispatcher(output.logicalPlace, &logicalPlaceEvent, nullptr, this);
}

void OutputGrabber::described(wl_output* output, int x, int y, int transform) {
  for (Output& o : outputs_) {
    if (o.output == output) {
      o.x = x;
      o.y = y;
      o.transform = transform & 7;
    }
  }
}

void OutputGrabber::scaled(wl_output* output, int scale) {
  for (Output& o : outputs_) {
    if (o.output == output) o.scale = std::max(scale, 1);
  }
}

void OutputGrabber::logicallyPlaced(wl_proxy* logicalPlace, std::uint32_t event, int first,
                                    int second) {
  for (Output& o : outputs_) {
    if (o.logicalPlace != logicalPlace) continue;
    if (event == xdg_output::kLogicalPosition) {
      o.logical = {first, second, first + o.logical.width(), second + o.logical.height()};
    } else if (event == xdg_output::kLogicalSize) {
      o.logical.right = o.logical.left + first;
      o.logical.bottom = o.logical.top + second;
    }
  }
}

bool OutputGrabber::start() {
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &kRegistryListener, this);
  // The second round trip brings the outputs' places, wl_output's and xdg-output's
  // alike (both asked for while the first one announced the globals).
  if (wl_display_roundtrip(display_) < 0 || wl_display_roundtrip(display_) < 0) return false;
  return shm_ != nullptr && (offers(Copier::imageCopy) || offers(Copier::screencopy));
}

bool OutputGrabber::offers(Copier copier) const {
  switch (copier) {
    case Copier::imageCopy:
      return copyManager_ != nullptr && sourceManager_ != nullptr;
    case Copier::screencopy:
      return screencopyManager_ != nullptr;
  }
  return false;
}

std::optional<Bitmap> OutputGrabber::copyOutput(Copier copier, const Output& output,
                                                bool withCursor) {
  if (copier == Copier::imageCopy) {
    return copyOutputByImageCopy({display_, shm_, sourceManager_, copyManager_, answerTime_},
                                 output.output, output.transform, withCursor);
  }
  return screencopyOutput(output, withCursor);
}

std::optional<Bitmap> OutputGrabber::screencopyOutput(const Output& output, bool withCursor) {
  FrameState frame;
  wl_proxy* proxy = wl_proxy_marshal_flags(screencopyManager_, screencopy::kCaptureOutput,
                                           kScreencopyFrameInterface, 1, 0, nullptr,
                                           withCursor ? 1 : 0, output.output);
  wl_proxy_add_dispatcher(proxy, &frameEvent, nullptr, &frame);
  dispatchWhileWaiting(display_, answerTime_, [&] { return frame.announced || frame.failed; });
  std::optional<Bitmap> picture;
  if (frame.announced && !frame.failed) {
    const SharedBuffer buffer(shm_, frame.format, frame.width, frame.height, frame.stride);
    if (buffer.buffer() != nullptr) {
      wl_proxy_marshal_flags(proxy, screencopy::kCopy, nullptr, 1, 0, buffer.buffer());
      dispatchWhileWaiting(display_, answerTime_, [&] { return frame.ready || frame.failed; });
      if (frame.ready) {
        picture = uprightPicture(OutputBuffer{frame.format, frame.width, frame.height, frame.stride,
                                              frame.upsideDown, output.transform, buffer.pixels()});
      }
    }
  }
  destroyObject(proxy, screencopy::kFrameDestroy);
  return picture;
}

Bitmap OutputGrabber::grabScreen(Copier copier, bool withCursor) {
  return grab(copier, std::nullopt, withCursor);
}

Bitmap OutputGrabber::grabArea(Copier copier, const Rect& area, bool withCursor) {
  return grab(copier, area, withCursor);
}

Bitmap OutputGrabber::grab(Copier copier, const std::optional<Rect>& area, bool withCursor) {
  if (!offers(copier)) return {};
  // Outputs plugged in, moved, turned or rescaled since the last picture.
  if (wl_display_roundtrip(display_) < 0 || outputs_.empty()) return {};
  // A new output's logical place answers only a round trip after it appeared.
  const bool placesAsked = std::any_of(outputs_.begin(), outputs_.end(), [](const Output& o) {
    return o.logicalPlace != nullptr && o.logical.width() <= 0;
  });
  if (placesAsked && wl_display_roundtrip(display_) < 0) return {};
  std::vector<OutputPicture> pictures;
  std::vector<Rect> places;
  // Copying an output dispatches the compositor's events: a monitor plugged in or
  // out meanwhile changes outputs_ under this loop (its entries move, a gone
  // output's proxy is freed). So the outputs here now are looked up again, one by
  // one, before each is copied; one gone meanwhile is left out.
  std::vector<std::uint32_t> names;
  for (const Output& output : outputs_) names.push_back(output.name);
  for (const std::uint32_t name : names) {
    const auto current = std::find_if(outputs_.begin(), outputs_.end(),
                                      [name](const Output& o) { return o.name == name; });
    if (current == outputs_.end()) continue;  // unplugged while another was copied
    const Output output = *current;
    const bool placeKnown = output.logical.width() > 0 && output.logical.height() > 0;
    if (area && placeKnown && !overlaps(output.logical, *area)) continue;
    std::optional<Bitmap> picture = copyOutput(copier, output, withCursor);
    if (!picture) return {};
    // Without xdg-output: wl_output's place, and the size its integer scale gives.
    const Rect logical = placeKnown
                             ? output.logical
                             : Rect{output.x, output.y, output.x + picture->width() / output.scale,
                                    output.y + picture->height() / output.scale};
    places.push_back(logical);
    pictures.push_back({logical, std::move(*picture)});
  }
  return composeOutputs(std::move(pictures), area.value_or(layoutBounds(places)));
}

}  // namespace snaprill
