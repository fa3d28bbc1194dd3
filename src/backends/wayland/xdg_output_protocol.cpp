// The interface tables libwayland marshals xdg-output-unstable-v1 with, written
// from the protocol's published definition (signatures as in
// screencopy_protocol.cpp).
//
// xdg-output-unstable-v1:
//   Copyright © 2017 Red Hat Inc.
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
#include "backends/wayland/xdg_output_protocol.h"

#include <wayland-client-protocol.h>

namespace snaprill {

namespace {

extern const wl_interface outputInterface;

// Not const: libwayland's tables point to non-const interface pointers.
const wl_interface* none[] = {nullptr, nullptr};
const wl_interface* getOutput[] = {&outputInterface, &wl_output_interface};

const wl_message managerRequests[] = {
    {"destroy", "", none},
    {"get_xdg_output", "no", getOutput},
};
const wl_message outputRequests[] = {
    {"destroy", "", none},
};
const wl_message outputEvents[] = {
    {"logical_position", "ii", none},
    {"logical_size", "ii", none},
    {"done", "", none},
    {"name", "2s", none},
    {"description", "2s", none},
};

const wl_interface managerInterface{"zxdg_output_manager_v1", 2, 2, managerRequests, 0, nullptr};
const wl_interface outputInterface{"zxdg_output_v1", 2, 1, outputRequests, 5, outputEvents};

}  // namespace

const wl_interface* const kXdgOutputManagerInterface = &managerInterface;
const wl_interface* const kXdgOutputInterface = &outputInterface;

}  // namespace snaprill
