// The services one capture cycle runs on, gathered in one place: the real program fills
// it with Qt and X11 services, snaprill-batch and the tests with fakes.
#pragma once

#include <functional>
#include <memory>

#include "platform/capture_source.h"
#include "platform/program_dir.h"
#include "platform/screen_grabber.h"
#include "platform/services.h"

namespace snaprill {

struct Platform {
  Clipboard& clipboard;
  Dialogs& dialogs;
  Tray& tray;
  Clock& clock;
  Launcher& launcher;
  std::function<std::unique_ptr<Timer>()> newTimer;
  ProgramDirectories dirs;
  // The screen, which metafiles are recorded against and whose captures get the
  // cursor; without it metafiles take ReferenceScreen's default and no capture is
  // known to be of the whole screen.
  ScreenSource* screen = nullptr;
  // The mouse cursor and text drawing; without them the cursor and text
  // adjustments draw nothing.
  CursorSource* cursor = nullptr;
  TextRenderer* text = nullptr;
  // The compositor's way of taking pictures of the screen (a Wayland session), which
  // says whether they can show the cursor; nothing on X11, where the pictures come
  // from the X server and the cursor adjustment draws the cursor.
  ScreenGrabber* screenGrabber = nullptr;
  // Which window has the focus, as far as the desktop tells: asked once per capture
  // as it is taken, for the capture history. Without it captures know no window.
  std::function<FocusedWindow()> focusedWindow{};
  // Where captures are encoded and written; without it they are written on the
  // calling thread before the cycle goes on.
  BackgroundWork* background = nullptr;
};

}  // namespace snaprill
