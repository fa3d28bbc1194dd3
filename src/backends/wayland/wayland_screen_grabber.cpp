#include "backends/wayland/wayland_screen_grabber.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "backends/wayland/sway_focused_window.h"

namespace snaprill {

namespace {

using Way = WaylandScreenGrabber::Way;
using Copier = OutputGrabber::Copier;

constexpr std::array kWays{Way::imageCopy, Way::screencopy, Way::kwin, Way::portal};

}  // namespace

WaylandScreenGrabber::WaylandScreenGrabber()
    : outputs_(OutputGrabber::connect()),
      kwin_(KWinScreenshot::available()),
      portal_(PortalScreenshot::available()) {}

bool WaylandScreenGrabber::offers(Way way) const {
  switch (way) {
    case Way::imageCopy:
      return outputs_ != nullptr && outputs_->offers(Copier::imageCopy);
    case Way::screencopy:
      return outputs_ != nullptr && outputs_->offers(Copier::screencopy);
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
  // A layout too large for a bitmap throws; the next grab must still be tried.
  struct Done {
    bool& busy;
    ~Done() { busy = false; }
  } done{busy_};
  Bitmap picture;
  if (remembered_) picture = grab(*remembered_);
  for (const Way way : kWays) {
    if (!picture.empty()) break;
    if (way == remembered_ || !offers(way)) continue;
    picture = grab(way);
    if (!picture.empty() && remember) remembered_ = way;
  }
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
    case Way::imageCopy:
      return outputs_->grabScreen(Copier::imageCopy, withCursor);
    case Way::screencopy:
      return outputs_->grabScreen(Copier::screencopy, withCursor);
    case Way::kwin:
      return kwinScreenshot_.grabScreen(withCursor);
    case Way::portal:
      return portalScreenshot_.grab(false);
  }
  return {};
}

Bitmap WaylandScreenGrabber::grabWindowBy(Way way) {
  switch (way) {
    case Way::imageCopy:
      return grabSwayWindow(Copier::imageCopy);
    case Way::screencopy:
      return grabSwayWindow(Copier::screencopy);
    case Way::kwin:
      return kwinScreenshot_.grabActiveWindow();
    case Way::portal:
      return portalScreenshot_.grab(true);
  }
  return {};
}

Bitmap WaylandScreenGrabber::grabSwayWindow(Copier copier) {
  // Only sway tells where its focused window is; other compositors leave the
  // choice to the user, through the portal.
  if (std::getenv("SWAYSOCK") == nullptr) return {};
  const std::optional<Rect> window = swayFocusedWindow();
  // No window has the focus: the whole screen, as X11 gives it then. The rectangle
  // is in the layout's logical units, which the grabber turns into the pixels of
  // the outputs the window is on.
  Bitmap part = window ? outputs_->grabArea(copier, *window, false) : Bitmap{};
  return part.empty() ? outputs_->grabScreen(copier, false) : part;
}

std::unique_ptr<ScreenGrabber> nativeScreenGrabber() {
  const char* display = std::getenv("WAYLAND_DISPLAY");
  if (display == nullptr || *display == '\0') return nullptr;
  return std::make_unique<WaylandScreenGrabber>();
}

}  // namespace snaprill
