// Which of Qt's platforms the program runs on, chosen before the application object
// is made. What follows other programs' clipboard offers where the compositor has no
// data control (GNOME), hears the hotkeys, stands in for Print Screen and places the
// windows speaks X11: on Xwayland in a Wayland session. With Qt's Wayland plugin
// installed (as on every KDE Plasma desktop) Qt would pick it in a Wayland session and
// leave all of that without a connection, so the program is the same with or without
// the plugin by asking for X11 whenever an X display is there and the user chose no
// platform. A platform the user chose (-platform, QT_QPA_PLATFORM) is kept; the
// window then says what it cannot do there. Without any X display a Wayland session
// still gets the program: the window on Qt's Wayland plugin, and `--capture`, which
// shows nothing, on Qt's offscreen platform.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace snaprill {

struct PlatformContext {
  // -platform's value, else QT_QPA_PLATFORM's; empty when the user chose none.
  std::string userChoice;
  // Why no X display can be used ("" when one can); asked only when it matters,
  // since asking opens the display.
  std::function<std::string()> xDisplayProblem;
  // A Wayland compositor is there to connect to.
  bool waylandSession = false;
  // Qt's Wayland platform plugin is installed.
  bool waylandPlugin = false;
  // A window is to be shown (not so for `--capture`).
  bool window = true;
};

struct PlatformChoice {
  // The platform to ask Qt for; empty: the user's own choice, untouched.
  std::string platform;
  // Why the program cannot start here; empty when it can.
  std::string refusal;
};

PlatformChoice choosePlatform(const PlatformContext& context);

// The platform the user chose on the command line (Qt's -platform or --platform,
// which win) or in `variable` (QT_QPA_PLATFORM's value, may be null); empty for none.
std::string userPlatformChoice(int argc, char* argv[], const char* variable);

// Qt's X11 platform ("xcb", with or without options after a colon); for a list
// ("wayland;xcb") the first entry counts, which Qt tries first.
bool isX11Platform(const std::string& name);

// Whether Qt can load its Wayland platform plugin (package qt6-wayland).
bool waylandPluginInstalled();

// Whether the compositor WAYLAND_DISPLAY names answers: Qt's Wayland platform ends
// the program with an abort where it does not.
bool waylandDisplayReachable();

// The arguments handed to the application object: the program's own, with
// "-platform NAME" added when a platform is asked for. Lives as long as the
// application, which keeps pointers into it.
class QtArguments {
 public:
  QtArguments(int argc, char* argv[], const std::string& platform);
  QtArguments(const QtArguments&) = delete;
  QtArguments& operator=(const QtArguments&) = delete;

  int& argc() { return argc_; }
  char** argv() { return pointers_.data(); }

 private:
  std::string option_ = "-platform";
  std::string platform_;
  std::vector<char*> pointers_;
  int argc_ = 0;
};

}  // namespace snaprill
