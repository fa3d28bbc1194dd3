#include "backends/wayland/wayland_screen_grabber.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "backends/wayland/dispatch_until.h"
#include "backends/wayland/sway_focused_window.h"

namespace snaprill {

namespace {

using Way = WaylandScreenGrabber::Way;
using Copier = OutputGrabber::Copier;

constexpr const char* kWayNames[] = {"ext-image-copy-capture", "wlr-screencopy", "KWin ScreenShot2",
                                     "portal"};

TakenPicture notOffered() {
  return {Bitmap(), LostReason::ScreenNotOffered};
}

// A copier's picture: none is what it gives when the compositor would not copy.
TakenPicture copied(Bitmap picture) {
  return {std::move(picture), LostReason::ScreenUnreadable};
}

}  // namespace

WaylandScreenGrabber::WaylandScreenGrabber() : outputs_(OutputGrabber::connect()) {}

bool WaylandScreenGrabber::copiesOutputs() const {
  return outputs_ != nullptr &&
         (outputs_->offers(Copier::imageCopy) || outputs_->offers(Copier::screencopy));
}

bool WaylandScreenGrabber::showsCursor() const {
  if (lastWay_) return *lastWay_ != Way::portal;
  // Until a picture came, the likely way: the compositor's copiers and KWin draw
  // it, the portal does not.
  const char* desktops = std::getenv("XDG_CURRENT_DESKTOP");
  return copiesOutputs() ||
         (desktops != nullptr && std::string_view(desktops).find("KDE") != std::string_view::npos);
}

std::chrono::milliseconds WaylandScreenGrabber::longestAnswer() const {
  // Each copier gives up an output after its answer time; KWin its answer and its
  // pixels; the portal its question.
  return 2 * kCompositorAnswerTime + 2 * KWinScreenshot::kAnswerTime +
         PortalScreenshot::kAnswerTime;
}

std::vector<GrabWay> WaylandScreenGrabber::ways() {
  const auto copying = [this](Way way, Copier copier) {
    return GrabWay{kWayNames[static_cast<int>(way)],
                   [this, copier](const GrabRequest& request, GrabDone done) {
                     if (outputs_ == nullptr || !outputs_->offers(copier))
                       return done(notOffered());
                     if (request.activeWindow) return done(grabSwayWindow(copier));
                     done(copied(outputs_->grabScreen(copier, request.withCursor)));
                   }};
  };
  return {
      copying(Way::imageCopy, Copier::imageCopy),
      copying(Way::screencopy, Copier::screencopy),
      {kWayNames[static_cast<int>(Way::kwin)],
       [this](const GrabRequest& request, GrabDone done) {
         kwinScreenshot_.take(request, std::move(done));
       }},
      // A window picked in the portal: the user chooses it there.
      {kWayNames[static_cast<int>(Way::portal)],
       [this](const GrabRequest& request, GrabDone done) {
         portalScreenshot_.take(request.activeWindow, parentWindow_, std::move(done));
       }},
  };
}

void WaylandScreenGrabber::grab(const GrabRequest& request, GrabDone done) {
  if (busy_) return done({Bitmap(), LostReason::ScreenBusy});
  busy_ = true;
  const bool screen = !request.activeWindow;
  std::vector<GrabWay> inOrder = ways();
  if (lastWay_) {
    // The way that gave the last picture first, so that one that gave none (a
    // copier that keeps failing, or waits out its time) is not asked again before
    // it each time; the others after it, in their order, should it give none now.
    const auto last = inOrder.begin() + static_cast<int>(*lastWay_);
    std::rotate(inOrder.begin(), last, last + 1);
  }
  askInOrder(
      inOrder, request,
      [this, done = std::move(done)](TakenPicture taken) {
        busy_ = false;
        done(std::move(taken));
      },
      [this, screen](const std::string& name) {
        // A window picked in the portal says nothing of how whole screens come.
        if (!screen) return;
        for (int way = 0; way < static_cast<int>(std::size(kWayNames)); ++way) {
          if (name == kWayNames[way]) lastWay_ = static_cast<Way>(way);
        }
      });
}

TakenPicture WaylandScreenGrabber::grabSwayWindow(Copier copier) {
  // Only sway tells where its focused window is; other compositors leave the
  // choice to the user, through the portal.
  if (std::getenv("SWAYSOCK") == nullptr) return notOffered();
  const std::optional<Rect> window = swayFocusedWindow();
  // No window has the focus: the whole screen, as X11 gives it then. The rectangle
  // is in the layout's logical units, which the grabber turns into the pixels of
  // the outputs the window is on.
  Bitmap part = window ? outputs_->grabArea(copier, *window, false) : Bitmap{};
  return copied(part.empty() ? outputs_->grabScreen(copier, false) : std::move(part));
}

std::unique_ptr<WaylandScreenGrabber> nativeScreenGrabber() {
  const char* display = std::getenv("WAYLAND_DISPLAY");
  if (display == nullptr || *display == '\0') return nullptr;
  return std::make_unique<WaylandScreenGrabber>();
}

}  // namespace snaprill
