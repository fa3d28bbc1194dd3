// snaprill --capture=screen | --capture=window: a picture taken on request, for the
// key bindings of a desktop. The running Snaprill of the same settings folder takes
// it and hands it to its capture cycle the way its own Print Screen (Alt+Print
// Screen) does, as a capture of the command, and tells the command how that capture
// went (capture_requests.h); with none running, the command takes and saves it
// itself with the saved settings.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "backends/qt/qt_text_renderer.h"
#include "backends/x11/x11_screen_grabber.h"
#include "backends/x11/x11_screen_size.h"
#include "backends/x11/xfixes_cursor.h"
#include "capture/save_capture.h"
#include "image/bitmap.h"
#include "options/texts.h"
#include "platform/program_dir.h"
#include "platform/screen_grabber.h"
#include "ui/single_instance.h"

namespace snaprill {

// What a capture needs of the desktop beyond the cycle's services: the screen's size,
// the mouse cursor and text drawing, put into a platform. Where the compositor takes
// the pictures (`native`), it draws the cursor itself: the X server's cursor under
// Wayland is only Xwayland's, so none is added.
struct DesktopPictureServices {
  DesktopPictureServices(Platform& platform, bool native);
  X11ScreenSize screen;
  XFixesCursorSource cursor;
  QtTextRenderer text;
};

// What the command line asks for. Takes "--capture=WHAT" or "--capture WHAT" out of
// argv (so that the rest is checked as usual); nothing when neither is there, and
// nothing with problem set when WHAT is neither "screen" nor "window".
std::optional<CaptureTarget> takeCaptureOption(int& argc, char* argv[], std::string& problem);

// How this session's screen is read for a requested capture: the compositor's own way
// in a Wayland session (`native`, where there is one; the mouse cursor as `options`
// ask), else X11; empty `take`, with the reason in `refusal`, where no way works.
// `take` answers once, perhaps later, at the latest after `longest`.
struct ScreenPictures {
  std::function<void(CaptureTarget, GrabDone)> take;
  std::string refusal;
  std::chrono::milliseconds longest{0};
};
ScreenPictures chooseScreenPictures(X11ScreenGrabber& x11, ScreenGrabber* native,
                                    const Options& options);

// Why a picture of the screen could not be had, in the language in use.
std::string notTakenText(LostReason why, const Texts& texts);
// Why a capture was not saved, as the one who asked for it is told.
std::string notSavedText(const SaveOutcome& outcome, const Texts& texts);

// With no Snaprill running: the picture taken, adjusted and saved as the program
// would, the counter kept in the settings file. Prints nothing on success; returns
// the exit status (0 saved, 1 with the reason on standard error). Runs the event
// loop while the desktop takes its time over the picture.
int captureOnce(CaptureTarget target, const ProgramDirectories& dirs);

}  // namespace snaprill
