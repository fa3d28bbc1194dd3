#include "backends/wayland/wayland_screen_grabber.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "backends/wayland/sway_focused_window.h"

namespace snaprill {

namespace {

constexpr std::array kWays{WaylandScreenGrabber::Way::screencopy, WaylandScreenGrabber::Way::kwin,
                           WaylandScreenGrabber::Way::portal};

// The part of the screen picture the window covers; nothing when none of it is
// on the screen.
std::optional<Bitmap> cut(const Bitmap& screen, const Rect& window) {
  const int left = std::max(window.left, 0);
  const int top = std::max(window.top, 0);
  const int right = std::min(window.right, screen.width());
  const int bottom = std::min(window.bottom, screen.height());
  if (right <= left || bottom <= top) return std::nullopt;
  Bitmap part(right - left, bottom - top, 32);
  drawBitmap(part, -left, -top, screen);
  return part;
}

}  // namespace

WaylandScreenGrabber::WaylandScreenGrabber()
    : screencopy_(ScreencopyGrabber::connect()),
      kwin_(KWinScreenshot::available()),
      portal_(PortalScreenshot::available()) {}

bool WaylandScreenGrabber::offers(Way way) const {
  switch (way) {
    case Way::screencopy:
      return screencopy_ != nullptr;
    case Way::kwin:
      return kwin_;
    case Way::portal:
      return portal_;
  }
  return false;
}

bool WaylandScreenGrabber::showsCursor() const {
  if (remembered_) return *remembered_ != Way::portal;
  const auto first = std::find_if(kWays.begin(), kWays.end(), [this](Way w) { return offers(w); });
  return first != kWays.end() && *first != Way::portal;
}

template <class Grab>
Bitmap WaylandScreenGrabber::firstThatAnswers(bool remember, Grab grab) {
  if (busy_) return {};
  busy_ = true;
  Bitmap picture;
  if (remembered_) picture = grab(*remembered_);
  for (const Way way : kWays) {
    if (!picture.empty()) break;
    if (way == remembered_ || !offers(way)) continue;
    picture = grab(way);
    if (!picture.empty() && remember) remembered_ = way;
  }
  busy_ = false;
  return picture;
}

Bitmap WaylandScreenGrabber::grabScreen(bool withCursor) {
  return firstThatAnswers(true, [&](Way way) { return grabScreenBy(way, withCursor); });
}

Bitmap WaylandScreenGrabber::grabActiveWindow() {
  // A window picked in the portal says nothing of how whole screens are best had.
  return firstThatAnswers(false, [&](Way way) { return grabWindowBy(way); });
}

Bitmap WaylandScreenGrabber::grabScreenBy(Way way, bool withCursor) {
  switch (way) {
    case Way::screencopy:
      return screencopy_->grabScreen(withCursor);
    case Way::kwin:
      return kwinScreenshot_.grabScreen(withCursor);
    case Way::portal:
      return portalScreenshot_.grab(false);
  }
  return {};
}

Bitmap WaylandScreenGrabber::grabWindowBy(Way way) {
  switch (way) {
    case Way::screencopy: {
      // Only sway tells where its focused window is; other wlroots compositors
      // leave the choice to the user, through the portal.
      if (std::getenv("SWAYSOCK") == nullptr) return {};
      Bitmap screen = screencopy_->grabScreen(false);
      const std::optional<Rect> window = swayFocusedWindow();
      // No window has the focus: the whole screen, as X11 gives it then.
      if (!window || screen.empty()) return screen;
      std::optional<Bitmap> part = cut(screen, *window);
      return part ? std::move(*part) : std::move(screen);
    }
    case Way::kwin:
      return kwinScreenshot_.grabActiveWindow();
    case Way::portal:
      return portalScreenshot_.grab(true);
  }
  return {};
}

std::unique_ptr<ScreenGrabber> nativeScreenGrabber() {
  const char* display = std::getenv("WAYLAND_DISPLAY");
  if (display == nullptr || *display == '\0') return nullptr;
  return std::make_unique<WaylandScreenGrabber>();
}

}  // namespace snaprill
