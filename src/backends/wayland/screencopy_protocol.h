// wlr-screencopy-unstable-v1, through which a privileged client (grim, and us)
// has the compositor copy an output's picture into a buffer of its own.
//
//   manager  requests: capture_output(new frame, overlay_cursor, output),
//                      capture_output_region(new frame, overlay_cursor, output,
//                                            x, y, width, height),
//                      destroy
//   frame    requests: copy(buffer), destroy, copy_with_damage(buffer) (v2)
//            events:   buffer(format, width, height, stride), flags(flags),
//                      ready(tv_sec_hi, tv_sec_lo, tv_nsec), failed,
//                      damage(x, y, width, height) (v2),
//                      linux_dmabuf(format, width, height) (v3), buffer_done (v3)
//
// At version 1 the frame announces one shared-memory buffer (`buffer`), the client
// sends `copy`, and the frame ends with `ready` or `failed`.
#pragma once

#include <cstdint>

struct wl_interface;

namespace snaprill {

extern const wl_interface* const kScreencopyManagerInterface;
extern const wl_interface* const kScreencopyFrameInterface;
inline constexpr const char* kScreencopyManagerName = "zwlr_screencopy_manager_v1";

namespace screencopy {
// Manager requests.
inline constexpr std::uint32_t kCaptureOutput = 0;
inline constexpr std::uint32_t kManagerDestroy = 2;
// Frame requests.
inline constexpr std::uint32_t kCopy = 0;
inline constexpr std::uint32_t kFrameDestroy = 1;
// Frame events.
inline constexpr std::uint32_t kBuffer = 0;
inline constexpr std::uint32_t kFlags = 1;
inline constexpr std::uint32_t kReady = 2;
inline constexpr std::uint32_t kFailed = 3;
// The flags event's bit: the picture's rows come bottom row first.
inline constexpr std::uint32_t kYInvert = 1;
}  // namespace screencopy

}  // namespace snaprill
