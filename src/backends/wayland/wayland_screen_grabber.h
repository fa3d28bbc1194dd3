// Pictures of the screen in a Wayland session, where an X11 grab of the rootless
// Xwayland root fails or comes out black. For every picture the compositor's own
// ways are asked in this order, each once the one before gave none, so that a
// refusal (KWin's, where it finds no desktop file for the program) falls through
// to the next; the way that gave the last screen picture is asked first:
//   1. ext-image-copy-capture, the protocol meant for every compositor (sway from
//      1.11), silent, with the cursor on request;
//   2. wlr-screencopy (sway and the other wlroots compositors), silent, with the
//      cursor on request;
//   3. KWin's screenshot service, silent, with the cursor on request;
//   4. the desktop portal without asking the user (a desktop may ask once whether
//      the program may), no cursor; the bus starts the portal where it is not
//      running yet.
// The active window: KWin's own; on sway the focused window's rectangle out of a
// picture of the outputs; elsewhere the portal's interactive picture, in which the
// user picks it.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "backends/portal/portal_screenshot.h"
#include "backends/wayland/kwin_screenshot.h"
#include "backends/wayland/output_grabber.h"
#include "platform/screen_grabber.h"

namespace snaprill {

class WaylandScreenGrabber : public ScreenGrabber {
 public:
  enum class Way { imageCopy, screencopy, kwin, portal };

  WaylandScreenGrabber();

  void grab(const GrabRequest& request, GrabDone done) override;
  bool showsCursor() const override;
  std::chrono::milliseconds longestAnswer() const override;

  // Whether the compositor has a protocol that copies its outputs (neither KWin's
  // service nor the portal is needed then).
  bool copiesOutputs() const;
  // The window the portal's questions belong to.
  void setParentWindow(const QString& handle) { parentWindow_ = handle; }

 private:
  std::vector<GrabWay> ways();
  TakenPicture grabSwayWindow(OutputGrabber::Copier copier);

  std::unique_ptr<OutputGrabber> outputs_;
  KWinScreenshot kwinScreenshot_;
  PortalScreenshot portalScreenshot_;
  QString parentWindow_;
  std::optional<Way> lastWay_;
  // A picture is on its way (the portal may be asking the user): a second one
  // meanwhile is answered as busy rather than queued behind a question.
  bool busy_ = false;
};

// The screen grabber of this session: the Wayland one in a Wayland session,
// nothing elsewhere (X11 grabs the screen itself).
std::unique_ptr<WaylandScreenGrabber> nativeScreenGrabber();

}  // namespace snaprill
