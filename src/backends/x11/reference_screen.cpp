#include "backends/x11/reference_screen.h"

#include <X11/Xlib.h>

#include <memory>

namespace snaprill {

ReferenceScreen queryReferenceScreen(const char* displayName) {
  const std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(displayName),
                                                            XCloseDisplay);
  if (!display) return ReferenceScreen{};
  const int screen = DefaultScreen(display.get());
  const int width = DisplayWidth(display.get(), screen);
  const int height = DisplayHeight(display.get(), screen);
  const int widthMm = DisplayWidthMM(display.get(), screen);
  const int heightMm = DisplayHeightMM(display.get(), screen);
  if (width <= 0 || height <= 0) return ReferenceScreen{};
  if (widthMm > 0 && heightMm > 0) return ReferenceScreen{width, height, widthMm, heightMm};
  // 96 dots per inch: 25.4 mm per 96 pixels, rounded to the nearest millimetre.
  const auto at96Dpi = [](int pixels) { return (pixels * 254 + 480) / 960; };
  return ReferenceScreen{width, height, at96Dpi(width), at96Dpi(height)};
}

}  // namespace snaprill
