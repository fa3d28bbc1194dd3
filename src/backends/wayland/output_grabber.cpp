#include "backends/wayland/output_grabber.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <wayland-client-protocol.h>
#include <wayland-protocols/xdg-output-unstable-v1-client-protocol.h>

#include "backends/wayland/output_copier.h"
#include "backends/wayland/output_layout.h"

namespace snaprill {

namespace {

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

void logicalPosition(void* data, zxdg_output_v1* logicalPlace, std::int32_t x, std::int32_t y) {
  static_cast<OutputGrabber*>(data)->logicallyPlaced(logicalPlace, x, y);
}
void logicalSize(void* data, zxdg_output_v1* logicalPlace, std::int32_t width,
                 std::int32_t height) {
  static_cast<OutputGrabber*>(data)->logicallySized(logicalPlace, width, height);
}
void logicalDone(void*, zxdg_output_v1*) {}

// Bound at version 1: the name and description are never sent.
const zxdg_output_v1_listener kLogicalPlaceListener{.logical_position = &logicalPosition,
                                                    .logical_size = &logicalSize,
                                                    .done = &logicalDone,
                                                    .name = nullptr,
                                                    .description = nullptr};

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

OutputGrabber::OutputGrabber(wl_display* display)
    : display_(display), copiers_{imageCopyCopier(), screencopyCopier()} {}

namespace {

void destroyLogicalPlace(zxdg_output_v1* logicalPlace) {
  if (logicalPlace != nullptr) zxdg_output_v1_destroy(logicalPlace);
}

}  // namespace

OutputGrabber::~OutputGrabber() {
  for (const Output& output : outputs_) {
    destroyLogicalPlace(output.logicalPlace);
    wl_output_destroy(output.output);
  }
  if (xdgOutputManager_ != nullptr) zxdg_output_manager_v1_destroy(xdgOutputManager_);
  for (auto& copier : copiers_) copier.reset();
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
  } else if (bindOnce(registry_, name, interface, zxdg_output_manager_v1_interface,
                      xdgOutputManager_)) {
    for (Output& output : outputs_) watchLogicalPlace(output);
  } else if (!bindOnce(registry_, name, interface, wl_shm_interface, shm_)) {
    for (auto& copier : copiers_) {
      if (copier->bind(registry_, name, interface)) break;
    }
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
  output.logicalPlace = zxdg_output_manager_v1_get_xdg_output(xdgOutputManager_, output.output);
  zxdg_output_v1_add_listener(output.logicalPlace, &kLogicalPlaceListener, this);
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

void OutputGrabber::logicallyPlaced(zxdg_output_v1* logicalPlace, int x, int y) {
  for (Output& o : outputs_) {
    if (o.logicalPlace == logicalPlace) {
      o.logical = {x, y, x + o.logical.width(), y + o.logical.height()};
    }
  }
}

void OutputGrabber::logicallySized(zxdg_output_v1* logicalPlace, int width, int height) {
  for (Output& o : outputs_) {
    if (o.logicalPlace == logicalPlace) {
      o.logical.right = o.logical.left + width;
      o.logical.bottom = o.logical.top + height;
    }
  }
}

bool OutputGrabber::start() {
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &kRegistryListener, this);
  // The second round trip brings the outputs' places, wl_output's and xdg-output's
  // alike (both asked for while the first one announced the globals).
  if (wl_display_roundtrip(display_) < 0 || wl_display_roundtrip(display_) < 0) return false;
  return shm_ != nullptr && std::any_of(copiers_.begin(), copiers_.end(),
                                        [](const auto& copier) { return copier->offered(); });
}

OutputCopier& OutputGrabber::copierOf(Copier copier) const {
  return *copiers_[static_cast<std::size_t>(copier)];
}

bool OutputGrabber::offers(Copier copier) const {
  return copierOf(copier).offered();
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
    std::optional<Bitmap> picture = copierOf(copier).copy(
        {display_, shm_, answerTime_}, output.output, output.transform, withCursor);
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
