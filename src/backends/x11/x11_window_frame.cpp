#include "backends/x11/x11_window_frame.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>

#include "backends/x11/ximage_bitmap.h"

namespace snaprill {

std::vector<unsigned long> cardinalProperty(Display* display, unsigned long window,
                                            unsigned long property, unsigned long type) {
  Atom actual = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> values;
  if (XGetWindowProperty(display, window, property, 0, 16, False, type, &actual, &format, &count,
                         &after, &data) == Success &&
      data != nullptr && format == 32) {
    const auto* items = reinterpret_cast<const unsigned long*>(data);
    values.assign(items, items + count);
  }
  if (data != nullptr) XFree(data);
  return values;
}

std::optional<WindowRects> windowRects(Display* display, unsigned long window) {
  const Window root = DefaultRootWindow(display);
  // The window may be gone by now.
  ErrorTrap trap(display);
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes)) return std::nullopt;
  int x = 0, y = 0;
  Window child = None;
  if (!XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child)) return std::nullopt;
  const Atom frameAtom = XInternAtom(display, "_NET_FRAME_EXTENTS", False);
  std::vector<unsigned long> frame = cardinalProperty(display, window, frameAtom, XA_CARDINAL);
  if (trap.failed()) return std::nullopt;
  frame.resize(4, 0);  // left, right, top, bottom
  const auto extent = [&frame](int i) { return static_cast<int>(std::min(frame[i], 0xFFFFul)); };
  const int border = attributes.border_width;
  const Rect client{x, y, x + attributes.width, y + attributes.height};
  return WindowRects{client,
                     Rect{x - border - extent(0), y - border - extent(2),
                          client.right + border + extent(1), client.bottom + border + extent(3)}};
}

void placeWindow(Display* display, unsigned long window, const Rect& frameCornerAndClientSize) {
  const Rect& place = frameCornerAndClientSize;
  XMoveResizeWindow(display, window, place.left, place.top,
                    static_cast<unsigned>(std::max(place.width(), 1)),
                    static_cast<unsigned>(std::max(place.height(), 1)));
  XFlush(display);
}

}  // namespace snaprill
