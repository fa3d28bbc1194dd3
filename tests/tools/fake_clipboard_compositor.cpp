#include "tools/fake_clipboard_compositor.h"

#include <fcntl.h>
#include <unistd.h>

#include <wayland-protocols/ext-data-control-v1-server-protocol.h>
#include <wayland-protocols/wlr-data-control-unstable-v1-server-protocol.h>
#include <wayland-server-protocol.h>
#include <wayland-server.h>

namespace snaprill {

namespace {

using Types = std::vector<std::string>;

// What an offer or one of the client's sources holds.
struct Offer {
  Types types;
  std::string bytes;
};

Offer& offerOf(wl_resource* resource) {
  return *static_cast<Offer*>(wl_resource_get_user_data(resource));
}

void forgetOffer(wl_resource* resource) {
  delete &offerOf(resource);
}

void destroyObject(wl_client*, wl_resource* resource) {
  wl_resource_destroy(resource);
}

void receive(wl_client*, wl_resource* offer, const char*, std::int32_t fd) {
  const std::string& bytes = offerOf(offer).bytes;
  const bool whole = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  ::close(fd);
  if (!whole) wl_client_post_no_memory(wl_resource_get_client(offer));
}

const struct ext_data_control_offer_v1_interface kOfferRequests {
  .receive = &receive, .destroy = &destroyObject
};

// Announces `offer` to the device's client and makes it the selection.
void offerSelection(wl_resource* device, Offer offer) {
  wl_resource* resource =
      wl_resource_create(wl_resource_get_client(device), &ext_data_control_offer_v1_interface,
                         wl_resource_get_version(device), 0);
  auto* held = new Offer(std::move(offer));
  wl_resource_set_implementation(resource, &kOfferRequests, held, &forgetOffer);
  ext_data_control_device_v1_send_data_offer(device, resource);
  for (const std::string& type : held->types) {
    ext_data_control_offer_v1_send_offer(resource, type.c_str());
  }
  ext_data_control_device_v1_send_selection(device, resource);
}

void sourceOffers(wl_client*, wl_resource* source, const char* type) {
  offerOf(source).types.emplace_back(type);
}

const struct ext_data_control_source_v1_interface kSourceRequests {
  .offer = &sourceOffers, .destroy = &destroyObject
};

FakeClipboardCompositor& compositorOf(wl_resource* resource) {
  return *static_cast<FakeClipboardCompositor*>(wl_resource_get_user_data(resource));
}

void setSelection(wl_client*, wl_resource* device, wl_resource* source) {
  if (source == nullptr) {
    compositorOf(device).selectionSet({});
    ext_data_control_device_v1_send_selection(device, nullptr);
    return;
  }
  compositorOf(device).selectionSet(offerOf(source).types);
  offerSelection(device, {offerOf(source).types, ""});
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return;
  ext_data_control_source_v1_send_send(source, "image/png", ends[1]);
  ::close(ends[1]);
  ::close(ends[0]);
}

// No primary selection here.
const struct ext_data_control_device_v1_interface kDeviceRequests {
  .set_selection = &setSelection, .destroy = &destroyObject, .set_primary_selection = nullptr
};

void createDataSource(wl_client* client, wl_resource* manager, std::uint32_t id) {
  wl_resource* source = wl_resource_create(client, &ext_data_control_source_v1_interface,
                                           wl_resource_get_version(manager), id);
  wl_resource_set_implementation(source, &kSourceRequests, new Offer, &forgetOffer);
}

void getDataDevice(wl_client* client, wl_resource* manager, std::uint32_t id, wl_resource*) {
  FakeClipboardCompositor& compositor = compositorOf(manager);
  wl_resource* device = wl_resource_create(client, &ext_data_control_device_v1_interface,
                                           wl_resource_get_version(manager), id);
  wl_resource_set_implementation(device, &kDeviceRequests, &compositor, nullptr);
  offerSelection(device, {compositor.settings().types, compositor.settings().bytes});
}

const struct ext_data_control_manager_v1_interface kManagerRequests {
  .create_data_source = &createDataSource, .get_data_device = &getDataDevice,
  .destroy = &destroyObject
};

void bindManager(wl_client* client, void* compositor, std::uint32_t version, std::uint32_t id) {
  wl_resource* manager = wl_resource_create(client, &ext_data_control_manager_v1_interface,
                                            static_cast<int>(version), id);
  wl_resource_set_implementation(manager, &kManagerRequests, compositor, nullptr);
}

void refuseWlr(wl_client* client, void*, std::uint32_t version, std::uint32_t id) {
  wl_resource* manager = wl_resource_create(client, &zwlr_data_control_manager_v1_interface,
                                            static_cast<int>(version), id);
  wl_resource_post_error(manager, 0, "ext-data-control is offered: use that");
}

// The seat is only named: nobody asks it for input devices here.
void bindSeat(wl_client* client, void*, std::uint32_t version, std::uint32_t id) {
  wl_resource_create(client, &wl_seat_interface, static_cast<int>(version), id);
}

}  // namespace

FakeClipboardCompositor::FakeClipboardCompositor(FakeClipboardSettings settings)
    : settings_(std::move(settings)) {
  wl_display* display = wayland_.display();
  wl_global_create(display, &wl_seat_interface, 1, nullptr, &bindSeat);
  // The wlr manager first: the client's preference, not the order, must pick.
  if (settings_.wlrToo) {
    wl_global_create(display, &zwlr_data_control_manager_v1_interface, 1, nullptr, &refuseWlr);
  }
  wl_global_create(display, &ext_data_control_manager_v1_interface, 1, this, &bindManager);
  wayland_.serve();
}

std::vector<std::vector<std::string>> FakeClipboardCompositor::selections() const {
  const std::lock_guard lock(mutex_);
  return selections_;
}

void FakeClipboardCompositor::selectionSet(std::vector<std::string> types) {
  const std::lock_guard lock(mutex_);
  selections_.push_back(std::move(types));
}

}  // namespace snaprill
