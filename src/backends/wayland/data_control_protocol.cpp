// The interface tables libwayland marshals the two data-control protocols with:
// names, versions, and each message's signature and argument interfaces, written
// from the protocols' published definitions of their requests and events.
//
// ext-data-control-v1:
//   Copyright © 2018 Simon Ser
//   Copyright © 2019 Ivan Molodetskikh
//   Copyright © 2024 Neal Gompa
// wlr-data-control-unstable-v1:
//   Copyright © 2018 Simon Ser
//   Copyright © 2019 Ivan Molodetskikh
// Both under the same licence:
//
//   Permission to use, copy, modify, distribute, and sell this software and its
//   documentation for any purpose is hereby granted without fee, provided that the
//   above copyright notice appear in all copies and that both that copyright notice
//   and this permission notice appear in supporting documentation, and that the
//   name of the copyright holders not be used in advertising or publicity
//   pertaining to distribution of the software without specific, written prior
//   permission. The copyright holders make no representations about the
//   suitability of this software for any purpose. It is provided "as is" without
//   express or implied warranty.
//
//   THE COPYRIGHT HOLDERS DISCLAIM ALL WARRANTIES WITH REGARD TO THIS SOFTWARE,
//   INCLUDING ALL IMPLIED WARRANTIES OF MERCHANTABILITY AND FITNESS, IN NO EVENT
//   SHALL THE COPYRIGHT HOLDERS BE LIABLE FOR ANY SPECIAL, INDIRECT OR
//   CONSEQUENTIAL DAMAGES OR ANY DAMAGES WHATSOEVER RESULTING FROM LOSS OF USE,
//   DATA OR PROFITS, WHETHER IN AN ACTION OF CONTRACT, NEGLIGENCE OR OTHER TORTIOUS
//   ACTION, ARISING OUT OF OR IN CONNECTION WITH THE USE OR PERFORMANCE OF THIS
//   SOFTWARE.
//
// A signature lists a message's arguments: n a new object, o an object (? before
// it: may be null), s a string, h a file descriptor; a leading number is the
// version that brought the message. `types` gives, per argument, the interface of
// an object argument and nothing for the others.
#include "backends/wayland/data_control_protocol.h"

#include <wayland-client-protocol.h>

namespace snaprill {

namespace {

// What differs between the two protocols.
struct ProtocolNames {
  const char* manager;
  const char* device;
  const char* source;
  const char* offer;
  int managerVersion;  // the newest the tables describe
  int deviceVersion;
  const char* primarySelection;  // the signature of both primary-selection messages
};

// One protocol's tables. They point into themselves, so each lives in one static
// object, built when the program is loaded.
struct ProtocolTables {
  constexpr explicit ProtocolTables(const ProtocolNames& n)
      : none{nullptr, nullptr},
        source{&sourceInterface},
        offer{&offerInterface},
        deviceOnSeat{&deviceInterface, &wl_seat_interface},
        managerRequests{{"create_data_source", "n", source},
                        {"get_data_device", "no", deviceOnSeat},
                        {"destroy", "", none}},
        deviceRequests{{"set_selection", "?o", source},
                       {"destroy", "", none},
                       {"set_primary_selection", n.primarySelection, source}},
        deviceEvents{{"data_offer", "n", offer},
                     {"selection", "?o", offer},
                     {"finished", "", none},
                     {"primary_selection", n.primarySelection, offer}},
        sourceRequests{{"offer", "s", none}, {"destroy", "", none}},
        sourceEvents{{"send", "sh", none}, {"cancelled", "", none}},
        offerRequests{{"receive", "sh", none}, {"destroy", "", none}},
        offerEvents{{"offer", "s", none}},
        managerInterface{n.manager, n.managerVersion, 3, managerRequests, 0, nullptr},
        deviceInterface{n.device, n.deviceVersion, 3, deviceRequests, 4, deviceEvents},
        sourceInterface{n.source, 1, 2, sourceRequests, 2, sourceEvents},
        offerInterface{n.offer, 1, 2, offerRequests, 1, offerEvents} {}

  const wl_interface* none[2];
  const wl_interface* source[1];
  const wl_interface* offer[1];
  const wl_interface* deviceOnSeat[2];
  wl_message managerRequests[3];
  wl_message deviceRequests[3];
  wl_message deviceEvents[4];
  wl_message sourceRequests[2];
  wl_message sourceEvents[2];
  wl_message offerRequests[2];
  wl_message offerEvents[1];
  wl_interface managerInterface;
  wl_interface deviceInterface;
  wl_interface sourceInterface;
  wl_interface offerInterface;
};

constexpr ProtocolNames kExtNames{"ext_data_control_manager_v1",
                                  "ext_data_control_device_v1",
                                  "ext_data_control_source_v1",
                                  "ext_data_control_offer_v1",
                                  1,
                                  1,
                                  "?o"};
constexpr ProtocolNames kWlrNames{"zwlr_data_control_manager_v1",
                                  "zwlr_data_control_device_v1",
                                  "zwlr_data_control_source_v1",
                                  "zwlr_data_control_offer_v1",
                                  2,
                                  2,
                                  "2?o"};

// Not const: libwayland's tables point to non-const interface pointers.
ProtocolTables extTables(kExtNames);
ProtocolTables wlrTables(kWlrNames);

}  // namespace

// The wlr manager is bound at version 1: from version 2 it would also tell of
// every change of the primary selection, which the program never looks at.
const DataControlProtocol kExtDataControl{kExtNames.manager,          &extTables.managerInterface,
                                          &extTables.deviceInterface, &extTables.sourceInterface,
                                          &extTables.offerInterface,  1};
const DataControlProtocol kWlrDataControl{kWlrNames.manager,          &wlrTables.managerInterface,
                                          &wlrTables.deviceInterface, &wlrTables.sourceInterface,
                                          &wlrTables.offerInterface,  1};

}  // namespace snaprill
