// The interface tables libwayland marshals ext-image-capture-source-v1 and
// ext-image-copy-capture-v1 with, written from the protocols' published
// definitions (signatures as in screencopy_protocol.cpp; "a" an array).
//
// ext-image-capture-source-v1:
//   Copyright © 2022 Andri Yngvason
//   Copyright © 2024 Simon Ser
//
// ext-image-copy-capture-v1:
//   Copyright © 2021-2023 Andri Yngvason
//   Copyright © 2024 Simon Ser
//
//   Permission is hereby granted, free of charge, to any person obtaining a
//   copy of this software and associated documentation files (the "Software"),
//   to deal in the Software without restriction, including without limitation
//   the rights to use, copy, modify, merge, publish, distribute, sublicense,
//   and/or sell copies of the Software, and to permit persons to whom the
//   Software is furnished to do so, subject to the following conditions:
//
//   The above copyright notice and this permission notice (including the next
//   paragraph) shall be included in all copies or substantial portions of the
//   Software.
//
//   THE SOFTWARE IS PROVIDED "AS IS", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR
//   IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY,
//   FITNESS FOR A PARTICULAR PURPOSE AND NONINFRINGEMENT.  IN NO EVENT SHALL
//   THE AUTHORS OR COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER
//   LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING
//   FROM, OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER
//   DEALINGS IN THE SOFTWARE.
#include "backends/wayland/image_copy_capture_protocol.h"

#include <wayland-client-protocol.h>

namespace snaprill {

namespace {

extern const wl_interface sourceInterface;
extern const wl_interface sessionInterface;
extern const wl_interface frameInterface;
extern const wl_interface cursorSessionInterface;

// Not const: libwayland's tables point to non-const interface pointers.
const wl_interface* none[] = {nullptr, nullptr, nullptr, nullptr};
const wl_interface* createSource[] = {&sourceInterface, &wl_output_interface};
const wl_interface* createSession[] = {&sessionInterface, &sourceInterface, nullptr};
const wl_interface* createCursorSession[] = {&cursorSessionInterface, &sourceInterface,
                                             &wl_pointer_interface};
const wl_interface* createFrame[] = {&frameInterface};
const wl_interface* buffer[] = {&wl_buffer_interface};
const wl_interface* getCaptureSession[] = {&sessionInterface};

const wl_message sourceManagerRequests[] = {
    {"create_source", "no", createSource},
    {"destroy", "", none},
};
const wl_message sourceRequests[] = {
    {"destroy", "", none},
};
const wl_message copyManagerRequests[] = {
    {"create_session", "nou", createSession},
    {"create_pointer_cursor_session", "noo", createCursorSession},
    {"destroy", "", none},
};
const wl_message sessionRequests[] = {
    {"create_frame", "n", createFrame},
    {"destroy", "", none},
};
const wl_message sessionEvents[] = {
    {"buffer_size", "uu", none},   {"shm_format", "u", none}, {"dmabuf_device", "a", none},
    {"dmabuf_format", "ua", none}, {"done", "", none},        {"stopped", "", none},
};
const wl_message frameRequests[] = {
    {"destroy", "", none},
    {"attach_buffer", "o", buffer},
    {"damage_buffer", "iiii", none},
    {"capture", "", none},
};
const wl_message frameEvents[] = {
    {"transform", "u", none}, {"damage", "iiii", none}, {"presentation_time", "uuu", none},
    {"ready", "", none},      {"failed", "u", none},
};
const wl_message cursorSessionRequests[] = {
    {"destroy", "", none},
    {"get_capture_session", "n", getCaptureSession},
};
const wl_message cursorSessionEvents[] = {
    {"enter", "", none},
    {"leave", "", none},
    {"position", "ii", none},
    {"hotspot", "ii", none},
};

const wl_interface sourceManagerInterface{
    "ext_output_image_capture_source_manager_v1", 1, 2, sourceManagerRequests, 0, nullptr};
const wl_interface sourceInterface{"ext_image_capture_source_v1", 1, 1, sourceRequests, 0, nullptr};
const wl_interface copyManagerInterface{
    "ext_image_copy_capture_manager_v1", 1, 3, copyManagerRequests, 0, nullptr};
const wl_interface sessionInterface{
    "ext_image_copy_capture_session_v1", 1, 2, sessionRequests, 6, sessionEvents};
const wl_interface frameInterface{
    "ext_image_copy_capture_frame_v1", 1, 4, frameRequests, 5, frameEvents};
const wl_interface cursorSessionInterface{"ext_image_copy_capture_cursor_session_v1",
                                          1,
                                          2,
                                          cursorSessionRequests,
                                          4,
                                          cursorSessionEvents};

}  // namespace

const wl_interface* const kOutputSourceManagerInterface = &sourceManagerInterface;
const wl_interface* const kCaptureSourceInterface = &sourceInterface;
const wl_interface* const kImageCopyManagerInterface = &copyManagerInterface;
const wl_interface* const kImageCopySessionInterface = &sessionInterface;
const wl_interface* const kImageCopyFrameInterface = &frameInterface;

}  // namespace snaprill
