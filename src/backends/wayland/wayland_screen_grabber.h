// Pictures of the screen in a Wayland session, where an X11 grab of the rootless
// Xwayland root fails or comes out black. The compositor's own ways are tried in
// order, and the first that gives a picture is remembered and asked first from
// then on:
//   1. ext-image-copy-capture, the protocol meant for every compositor (sway from
//      1.11), silent, with the cursor on request;
//   2. wlr-screencopy (sway and the other wlroots compositors), silent, with the
//      cursor on request;
//   3. KWin's screenshot service, silent, with the cursor on request;
//   4. the desktop portal without asking the user (GNOME asks once), no cursor.
// The active window: KWin's own; on sway the focused window's rectangle out of a
// picture of the outputs; elsewhere the portal's interactive picture, in which the
// user picks it.
#pragma once

#include <memory>
#include <optional>

#include "backends/wayland/kwin_screenshot.h"
#include "backends/wayland/output_grabber.h"
#include "backends/wayland/portal_screenshot.h"
#include "platform/screen_grabber.h"

namespace snaprill {

class WaylandScreenGrabber : public ScreenGrabber {
 public:
  enum class Way { imageCopy, screencopy, kwin, portal };

  WaylandScreenGrabber();

  Bitmap grabScreen(bool withCursor) override;
  Bitmap grabActiveWindow() override;
  bool showsCursor() const override;

 private:
  bool offers(Way way) const;
  Bitmap grabScreenBy(Way way, bool withCursor);
  Bitmap grabWindowBy(Way way);
  Bitmap grabSwayWindow(OutputGrabber::Copier copier);
  // Tries the remembered way first, then the others in order; with `remember` the
  // one that gave the picture is remembered.
  template <class Grab>
  Bitmap firstThatAnswers(bool remember, Grab grab);

  std::unique_ptr<OutputGrabber> outputs_;
  bool kwin_ = false;
  bool portal_ = false;
  KWinScreenshot kwinScreenshot_;
  PortalScreenshot portalScreenshot_;
  std::optional<Way> remembered_;
  // The portal waits for its answer with the event loop running: a press then
  // must not start a second picture.
  bool busy_ = false;
};

// The screen grabber of this session: the Wayland one in a Wayland session,
// nothing elsewhere (X11 grabs the screen itself).
std::unique_ptr<ScreenGrabber> nativeScreenGrabber();

}  // namespace snaprill
