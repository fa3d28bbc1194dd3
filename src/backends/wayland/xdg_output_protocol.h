// xdg-output-unstable-v1, which tells where each output lies in the compositor's
// logical layout and how big it is there: the units windows are placed in, which
// differ from the output's pixels on a scaled output (fractional scales included)
// and are turned with the output.
//
//   manager  requests: destroy, get_xdg_output(new xdg_output, wl_output)
//   output   requests: destroy
//            events:   logical_position(x, y), logical_size(width, height), done,
//                      name(name) (v2), description(description) (v2)
#pragma once

#include <cstdint>

struct wl_interface;

namespace snaprill {

extern const wl_interface* const kXdgOutputManagerInterface;
extern const wl_interface* const kXdgOutputInterface;
inline constexpr const char* kXdgOutputManagerName = "zxdg_output_manager_v1";

namespace xdg_output {
// Manager requests.
inline constexpr std::uint32_t kManagerDestroy = 0;
inline constexpr std::uint32_t kGetOutput = 1;
// Output requests.
inline constexpr std::uint32_t kOutputDestroy = 0;
// Output events.
inline constexpr std::uint32_t kLogicalPosition = 0;
inline constexpr std::uint32_t kLogicalSize = 1;
}  // namespace xdg_output

}  // namespace snaprill
