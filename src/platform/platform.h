// The services one capture cycle runs on, gathered in one place: the real program fills
// it with Qt and X11 services, snaprill-batch and the tests with fakes.
#pragma once

#include <functional>
#include <memory>

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
  // Where the program takes pictures of the screen itself (a Wayland session);
  // elsewhere the system's Print Screen puts them on the clipboard.
  ScreenGrabber* screenGrabber = nullptr;
};

}  // namespace snaprill
