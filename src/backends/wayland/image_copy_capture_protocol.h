// ext-image-capture-source-v1 and ext-image-copy-capture-v1, the compositor-neutral
// successors of wlr-screencopy: a source is made for a wl_output, a session on that
// source tells which buffers it will fill, and each frame of the session copies the
// output's picture into one buffer of ours.
//
//   output source manager  requests: create_source(new source, wl_output), destroy
//   source                 requests: destroy
//   copy manager           requests: create_session(new session, source, options),
//                                    create_pointer_cursor_session(new cursor session,
//                                                                  source, wl_pointer),
//                                    destroy
//   session                requests: create_frame(new frame), destroy
//                          events:   buffer_size(width, height), shm_format(format),
//                                    dmabuf_device(device), dmabuf_format(format,
//                                    modifiers), done, stopped
//   frame                  requests: destroy, attach_buffer(buffer),
//                                    damage_buffer(x, y, width, height), capture
//                          events:   transform(transform), damage(x, y, width, height),
//                                    presentation_time(sec_hi, sec_lo, nsec), ready,
//                                    failed(reason)
//   cursor session         requests: destroy, get_capture_session(new session)
//                          events:   enter, leave, position(x, y), hotspot(x, y)
//
// The session announces its constraints (formats, one size) and ends them with
// `done`, again whenever they change. A frame ends with `ready` (after the
// transform the compositor applied to the buffer) or `failed`.
#pragma once

#include <cstdint>

struct wl_interface;

namespace snaprill {

extern const wl_interface* const kOutputSourceManagerInterface;
extern const wl_interface* const kCaptureSourceInterface;
extern const wl_interface* const kImageCopyManagerInterface;
extern const wl_interface* const kImageCopySessionInterface;
extern const wl_interface* const kImageCopyFrameInterface;
inline constexpr const char* kOutputSourceManagerName =
    "ext_output_image_capture_source_manager_v1";
inline constexpr const char* kImageCopyManagerName = "ext_image_copy_capture_manager_v1";

namespace image_copy {
// Output source manager requests.
inline constexpr std::uint32_t kCreateSource = 0;
inline constexpr std::uint32_t kSourceManagerDestroy = 1;
// Source requests.
inline constexpr std::uint32_t kSourceDestroy = 0;
// Copy manager requests.
inline constexpr std::uint32_t kCreateSession = 0;
inline constexpr std::uint32_t kCopyManagerDestroy = 2;
// create_session's option bit: the compositor draws the cursor into the frames.
inline constexpr std::uint32_t kPaintCursors = 1;
// Session requests.
inline constexpr std::uint32_t kCreateFrame = 0;
inline constexpr std::uint32_t kSessionDestroy = 1;
// Session events.
inline constexpr std::uint32_t kBufferSize = 0;
inline constexpr std::uint32_t kShmFormat = 1;
inline constexpr std::uint32_t kConstraintsDone = 4;
inline constexpr std::uint32_t kStopped = 5;
// Frame requests.
inline constexpr std::uint32_t kFrameDestroy = 0;
inline constexpr std::uint32_t kAttachBuffer = 1;
inline constexpr std::uint32_t kDamageBuffer = 2;
inline constexpr std::uint32_t kCapture = 3;
// Frame events.
inline constexpr std::uint32_t kTransform = 0;
inline constexpr std::uint32_t kReady = 3;
inline constexpr std::uint32_t kFailed = 4;
// failed's reason: the buffer no longer matches the session's constraints.
inline constexpr std::uint32_t kBufferConstraints = 1;
}  // namespace image_copy

}  // namespace snaprill
