// The two data-control protocols' bindings, over wayland-scanner's code for them
// (src/backends/wayland/protocols/): SNAPRILL_DATA_CONTROL_NAMES(Ext,
// ext_data_control) names the generated types and functions of the interfaces
// ext_data_control_*_v1, and binding<Ext>() hands the requests to them and the
// events to a listener. The generated functions take the protocol's own types, so
// a function of the other protocol does not compile here.
#include "backends/wayland/data_control_protocol.h"

#include <cstdint>

#include <wayland-protocols/ext-data-control-v1-client-protocol.h>
#include <wayland-protocols/wlr-data-control-unstable-v1-client-protocol.h>

namespace snaprill {

namespace {

// The protocol's objects are wl_proxy objects under a type of the protocol's own.
template <class Object>
wl_proxy* proxy(Object* object) {
  return reinterpret_cast<wl_proxy*>(object);
}
template <class Object>
Object* as(wl_proxy* proxy) {
  return reinterpret_cast<Object*>(proxy);
}

template <class P>
struct Binding {
  using Device = typename P::Device;
  using Source = typename P::Source;
  using Offer = typename P::Offer;

  static DataControlListener& listener(void* data) {
    return *static_cast<DataControlListener*>(data);
  }

  static void dataOffer(void* data, Device*, Offer* offer) {
    if (offer == nullptr) return;
    P::addOfferListener(offer, &kOfferEvents, data);
    listener(data).offerAnnounced(proxy(offer));
  }
  static void selection(void* data, Device*, Offer* offer) {
    listener(data).selectionOffered(proxy(offer));
  }
  static void finished(void* data, Device*) { listener(data).deviceFinished(); }
  static void primarySelection(void* data, Device*, Offer* offer) {
    listener(data).primarySelectionOffered(proxy(offer));
  }
  static void offerType(void* data, Offer* offer, const char* type) {
    listener(data).typeOffered(proxy(offer), type);
  }
  static void send(void* data, Source* source, const char* type, std::int32_t fd) {
    listener(data).pasteWanted(proxy(source), type, fd);
  }
  static void cancelled(void* data, Source* source) {
    listener(data).sourceCancelled(proxy(source));
  }

  static constexpr typename P::DeviceListener kDeviceEvents{.data_offer = &dataOffer,
                                                            .selection = &selection,
                                                            .finished = &finished,
                                                            .primary_selection = &primarySelection};
  static constexpr typename P::SourceListener kSourceEvents{.send = &send, .cancelled = &cancelled};
  static constexpr typename P::OfferListener kOfferEvents{.offer = &offerType};

  static wl_proxy* getDataDevice(wl_proxy* manager, wl_seat* seat, DataControlListener* to) {
    Device* device = P::getDataDevice(as<typename P::Manager>(manager), seat);
    if (device != nullptr) P::addDeviceListener(device, &kDeviceEvents, to);
    return proxy(device);
  }
  static wl_proxy* createDataSource(wl_proxy* manager, DataControlListener* to) {
    Source* source = P::createDataSource(as<typename P::Manager>(manager));
    if (source != nullptr) P::addSourceListener(source, &kSourceEvents, to);
    return proxy(source);
  }
  static void offer(wl_proxy* source, const char* type) { P::offer(as<Source>(source), type); }
  static void setSelection(wl_proxy* device, wl_proxy* source) {
    P::setSelection(as<Device>(device), as<Source>(source));
  }
  static void receive(wl_proxy* offer, const char* type, int fd) {
    P::receive(as<Offer>(offer), type, fd);
  }
  static void destroyManager(wl_proxy* manager) {
    P::destroyManager(as<typename P::Manager>(manager));
  }
  static void destroyDevice(wl_proxy* device) { P::destroyDevice(as<Device>(device)); }
  static void destroySource(wl_proxy* source) { P::destroySource(as<Source>(source)); }
  static void destroyOffer(wl_proxy* offer) { P::destroyOffer(as<Offer>(offer)); }
};

// The wlr manager is bound at version 1: from version 2 it would also tell of
// every change of the primary selection, which the program never looks at.
template <class P>
constexpr DataControlProtocol binding() {
  using B = Binding<P>;
  return {.manager = P::managerInterface,
          .version = 1,
          .getDataDevice = &B::getDataDevice,
          .createDataSource = &B::createDataSource,
          .offer = &B::offer,
          .setSelection = &B::setSelection,
          .receive = &B::receive,
          .destroyManager = &B::destroyManager,
          .destroyDevice = &B::destroyDevice,
          .destroySource = &B::destroySource,
          .destroyOffer = &B::destroyOffer};
}

}  // namespace

// The names wayland-scanner gives the types and functions of the interfaces
// PREFIX_manager_v1, PREFIX_device_v1, PREFIX_source_v1 and PREFIX_offer_v1.
#define SNAPRILL_DATA_CONTROL_NAMES(Names, PREFIX)                                          \
  struct Names {                                                                            \
    using Manager = PREFIX##_manager_v1;                                                    \
    using Device = PREFIX##_device_v1;                                                      \
    using Source = PREFIX##_source_v1;                                                      \
    using Offer = PREFIX##_offer_v1;                                                        \
    using DeviceListener = PREFIX##_device_v1_listener;                                     \
    using SourceListener = PREFIX##_source_v1_listener;                                     \
    using OfferListener = PREFIX##_offer_v1_listener;                                       \
    static constexpr const wl_interface* managerInterface = &PREFIX##_manager_v1_interface; \
    static constexpr auto getDataDevice = &PREFIX##_manager_v1_get_data_device;             \
    static constexpr auto createDataSource = &PREFIX##_manager_v1_create_data_source;       \
    static constexpr auto destroyManager = &PREFIX##_manager_v1_destroy;                    \
    static constexpr auto addDeviceListener = &PREFIX##_device_v1_add_listener;             \
    static constexpr auto setSelection = &PREFIX##_device_v1_set_selection;                 \
    static constexpr auto destroyDevice = &PREFIX##_device_v1_destroy;                      \
    static constexpr auto addSourceListener = &PREFIX##_source_v1_add_listener;             \
    static constexpr auto offer = &PREFIX##_source_v1_offer;                                \
    static constexpr auto destroySource = &PREFIX##_source_v1_destroy;                      \
    static constexpr auto addOfferListener = &PREFIX##_offer_v1_add_listener;               \
    static constexpr auto receive = &PREFIX##_offer_v1_receive;                             \
    static constexpr auto destroyOffer = &PREFIX##_offer_v1_destroy;                        \
  }

namespace {

SNAPRILL_DATA_CONTROL_NAMES(Ext, ext_data_control);
SNAPRILL_DATA_CONTROL_NAMES(Wlr, zwlr_data_control);

}  // namespace

const DataControlProtocol kExtDataControl = binding<Ext>();
const DataControlProtocol kWlrDataControl = binding<Wlr>();

}  // namespace snaprill
