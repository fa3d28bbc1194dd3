// The two data-control protocols, through which a privileged client follows and
// sets a seat's clipboard whatever has the focus: ext-data-control-v1 (the
// standard one, newer compositors) and wlr-data-control-unstable-v1 (wlroots,
// KWin 5.27). Both have the same four interfaces with the same requests and
// events in the same order; only their names differ, and the wlr one brought in
// the primary selection at version 2.
//
//   manager  requests: create_data_source(new source), get_data_device(new device,
//            seat), destroy
//   device   requests: set_selection(source or null), destroy,
//            set_primary_selection(source or null)
//            events:   data_offer(new offer), selection(offer or null), finished,
//                      primary_selection(offer or null)
//   source   requests: offer(mime type), destroy
//            events:   send(mime type, fd), cancelled
//   offer    requests: receive(mime type, fd), destroy
//            events:   offer(mime type)
#pragma once

#include <cstdint>

struct wl_interface;

namespace snaprill {

struct DataControlProtocol {
  const char* managerName;  // as the compositor's registry lists it
  const wl_interface* manager;
  const wl_interface* device;
  const wl_interface* source;
  const wl_interface* offer;
  // The manager's version we bind: the clipboard's selection is all we follow.
  std::uint32_t version;
};

// In the order a compositor's choice is preferred.
extern const DataControlProtocol kExtDataControl;
extern const DataControlProtocol kWlrDataControl;

// Request and event numbers, the same in both protocols.
namespace data_control {
inline constexpr std::uint32_t kCreateDataSource = 0;  // manager
inline constexpr std::uint32_t kGetDataDevice = 1;
inline constexpr std::uint32_t kSetSelection = 0;  // device
inline constexpr std::uint32_t kDestroy = 1;       // device, source and offer
inline constexpr std::uint32_t kManagerDestroy = 2;
inline constexpr std::uint32_t kOfferType = 0;  // source request, offer event
inline constexpr std::uint32_t kReceive = 0;    // offer
// Device events.
inline constexpr std::uint32_t kDataOffer = 0;
inline constexpr std::uint32_t kSelection = 1;
inline constexpr std::uint32_t kFinished = 2;
inline constexpr std::uint32_t kPrimarySelection = 3;
// Source events.
inline constexpr std::uint32_t kSend = 0;
inline constexpr std::uint32_t kCancelled = 1;
}  // namespace data_control

}  // namespace snaprill
