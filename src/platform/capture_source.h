// Where a capture came from, kept with it from the moment it arrives to the report
// of how it ended: what the status line, the capture history and the animation
// need to know of a picture besides its pixels.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace snaprill {

// How a picture reached us. The stored names are what the capture history keeps;
// they never change once written.
enum class CaptureOrigin {
  Clipboard,   // another program (or the system's own Print Screen) copied it
  ScreenKey,   // our whole-screen key or Print Screen stand-in
  WindowKey,   // our active-window key or Alt+Print stand-in
  Automation,  // the automation timer
  Command,     // snaprill --capture
  Batch,       // a picture file handed to snaprill-batch
};

// The origin's stored name ("clipboard", "screen-key", "window-key", "automation",
// "command", "batch"), and back; nothing for a name that is none of these.
std::string_view storedName(CaptureOrigin origin);
std::optional<CaptureOrigin> originFromStoredName(std::string_view name);

// The window that had the focus when the picture was taken, as far as the desktop
// tells: both empty where it tells nothing.
struct FocusedWindow {
  std::string application;  // X11 WM_CLASS class, sway app_id, ...
  std::string title;

  bool known() const { return !application.empty() || !title.empty(); }
};

struct CaptureSource {
  CaptureOrigin origin = CaptureOrigin::Clipboard;
  std::chrono::system_clock::time_point when{};
  FocusedWindow window;
  // Which snaprill --capture asked for it, counted from 1 in the running program, so
  // that the command hears the outcome of its own capture; 0 for every other.
  std::uint64_t request = 0;
};

}  // namespace snaprill
