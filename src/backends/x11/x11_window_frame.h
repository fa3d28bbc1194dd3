// Where a window really is on the X screen: its place and size in the server's own
// pixels, with its border and the frame the window manager draws around it. Qt
// reports frames in logical pixels, rounded, which at a device-pixel ratio of 2 can
// miss a one-pixel border by a pixel on each side.
#pragma once

#include <optional>
#include <vector>

#include "image/bitmap.h"

typedef struct _XDisplay Display;

namespace snaprill {

// A property of 32-bit items, as Xlib hands them out (as longs); empty when the
// window lacks it.
std::vector<unsigned long> cardinalProperty(Display* display, unsigned long window,
                                            unsigned long property, unsigned long type);

struct WindowRects {
  Rect client;  // the window's own area
  Rect outer;   // with its border and the frame (_NET_FRAME_EXTENTS; none without a
                // window manager)
};

// The window's rectangles on the root window, not cut to the screen; nullopt when
// the window is gone.
std::optional<WindowRects> windowRects(Display* display, unsigned long window);

// Asks for the window's frame at left, top and its own area at width x height, in
// the server's pixels. Qt places top-level windows by their frame (north-west
// gravity), so the window manager reads the place as the frame's corner.
void placeWindow(Display* display, unsigned long window, const Rect& frameCornerAndClientSize);

}  // namespace snaprill
