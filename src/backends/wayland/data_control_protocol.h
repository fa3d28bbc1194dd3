// The two data-control protocols, through which a privileged client follows and
// sets a seat's clipboard whatever has the focus: ext-data-control-v1 (the
// standard one, newer compositors) and wlr-data-control-unstable-v1 (wlroots,
// KWin 5.27). Both have the same four interfaces with the same requests and
// events; only their names differ. So the clipboard's code is written once, over
// plain proxies, and each protocol has a binding that hands its requests to
// wayland-scanner's code for it and its events to a DataControlListener.
//
//   manager  requests: create_data_source(new source), get_data_device(new device,
//            seat), destroy
//   device   requests: set_selection(source or null), destroy
//            events:   data_offer(new offer), selection(offer or null), finished,
//                      primary_selection(offer or null)
//   source   requests: offer(mime type), destroy
//            events:   send(mime type, fd), cancelled
//   offer    requests: receive(mime type, fd), destroy
//            events:   offer(mime type)
#pragma once

#include <cstdint>

struct wl_interface;
struct wl_proxy;
struct wl_seat;

namespace snaprill {

// What the compositor says about the clipboard. Offers and sources are the
// protocol's objects as plain proxies.
class DataControlListener {
 public:
  // A new offer, whose types follow (typeOffered) before it is made the selection
  // or the primary selection.
  virtual void offerAnnounced(wl_proxy* offer) = 0;
  virtual void typeOffered(wl_proxy* offer, const char* type) = 0;
  // The clipboard now holds `offer`; nullptr: nothing.
  virtual void selectionOffered(wl_proxy* offer) = 0;
  virtual void primarySelectionOffered(wl_proxy* offer) = 0;
  // The device serves no more (its seat is gone).
  virtual void deviceFinished() = 0;
  // Someone pastes our `source` as `type`: its bytes go into `fd`, ours to close.
  virtual void pasteWanted(wl_proxy* source, const char* type, int fd) = 0;
  // Another offer took the clipboard from our `source`.
  virtual void sourceCancelled(wl_proxy* source) = 0;

 protected:
  ~DataControlListener() = default;
};

struct DataControlProtocol {
  // The manager's interface; its name is the one the compositor's registry lists.
  const wl_interface* manager;
  // The manager's version we bind: the clipboard's selection is all we follow.
  std::uint32_t version;
  // The requests. The device's events, and those of the offers it announces and
  // the sources made here, go to `listener`.
  wl_proxy* (*getDataDevice)(wl_proxy* manager, wl_seat* seat, DataControlListener* listener);
  wl_proxy* (*createDataSource)(wl_proxy* manager, DataControlListener* listener);
  void (*offer)(wl_proxy* source, const char* type);
  // `source` nullptr: empties the clipboard.
  void (*setSelection)(wl_proxy* device, wl_proxy* source);
  void (*receive)(wl_proxy* offer, const char* type, int fd);
  void (*destroyManager)(wl_proxy* manager);
  void (*destroyDevice)(wl_proxy* device);
  void (*destroySource)(wl_proxy* source);
  void (*destroyOffer)(wl_proxy* offer);
};

// In the order a compositor's choice is preferred.
extern const DataControlProtocol kExtDataControl;
extern const DataControlProtocol kWlrDataControl;

}  // namespace snaprill
