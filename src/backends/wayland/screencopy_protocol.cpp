// The interface tables libwayland marshals wlr-screencopy-unstable-v1 with, written
// from the protocol's published definition of its requests and events (signatures
// as in data_control_protocol.cpp: n new object, o object, i int, u uint, a
// leading number the version that brought the message).
//
// wlr-screencopy-unstable-v1:
//   Copyright © 2018 Simon Ser
//   Copyright © 2019 Andri Yngvason
//
//   Permission is hereby granted, free of charge, to any person obtaining a copy
//   of this software and associated documentation files (the "Software"), to deal
//   in the Software without restriction, including without limitation the rights
//   to use, copy, modify, merge, publish, distribute, sublicense, and/or sell
//   copies of the Software, and to permit persons to whom the Software is
//   furnished to do so, subject to the following conditions:
//
//   The above copyright notice and this permission notice (including the next
//   paragraph) shall be included in all copies or substantial portions of the
//   Software.
//
//   THE SOFTWARE IS PROVIDED "AS IS", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR
//   IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY,
//   FITNESS FOR A PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE
//   AUTHORS OR COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER
//   LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING FROM,
//   OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS IN THE
//   SOFTWARE.
#include "backends/wayland/screencopy_protocol.h"

#include <wayland-client-protocol.h>

namespace snaprill {

namespace {

extern const wl_interface frameInterface;

// Not const: libwayland's tables point to non-const interface pointers.
const wl_interface* none[] = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
const wl_interface* captureOutput[] = {&frameInterface, nullptr, &wl_output_interface};
const wl_interface* captureRegion[] = {
    &frameInterface, nullptr, &wl_output_interface, nullptr, nullptr, nullptr, nullptr};
const wl_interface* buffer[] = {&wl_buffer_interface};

const wl_message managerRequests[] = {
    {"capture_output", "nio", captureOutput},
    {"capture_output_region", "nioiiii", captureRegion},
    {"destroy", "", none},
};
const wl_message frameRequests[] = {
    {"copy", "o", buffer},
    {"destroy", "", none},
    {"copy_with_damage", "2o", buffer},
};
const wl_message frameEvents[] = {
    {"buffer", "uuuu", none},   {"flags", "u", none},      {"ready", "uuu", none},
    {"failed", "", none},       {"damage", "2uuuu", none}, {"linux_dmabuf", "3uuu", none},
    {"buffer_done", "3", none},
};

const wl_interface managerInterface{
    "zwlr_screencopy_manager_v1", 3, 3, managerRequests, 0, nullptr};
const wl_interface frameInterface{"zwlr_screencopy_frame_v1", 3, 3, frameRequests, 7, frameEvents};

}  // namespace

const wl_interface* const kScreencopyManagerInterface = &managerInterface;
const wl_interface* const kScreencopyFrameInterface = &frameInterface;

}  // namespace snaprill
