#include "ui/platform_choice.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

namespace snaprill {
namespace {

// Faults caught: Qt's Wayland plugin picked in a Wayland session that has Xwayland
// (no X11 clipboard, hotkeys or window place); a user's platform overridden; an X
// display opened for a platform that needs none; an abort inside Qt, or no start at
// all, in a Wayland session without Xwayland; --capture needing the plugin.
TEST(PlatformChoice, X11WheneverThereIsADisplayAndTheUserChoseNothing) {
  const std::string noX = "cannot open the X display (DISPLAY is not set)";
  struct Case {
    std::string userChoice, xProblem;
    bool wayland, plugin, window;
    std::string platform;
    bool refused, xAsked;
  };
  const std::vector<Case> cases = {
      // Nothing chosen, an X display there: X11, whatever the session.
      {"", "", true, true, true, "xcb", false, true},
      {"", "", false, false, true, "xcb", false, true},
      // The user's choice is kept; only X11 needs the display.
      {"wayland", "", true, true, true, "", false, false},
      {"offscreen", noX, false, false, true, "", false, false},
      {"xcb", "", true, true, true, "", false, true},
      {"xcb", noX, true, true, true, "", true, true},
      {"xcb:nograb", noX, false, false, true, "", true, true},
      // No X display in a Wayland session: the plugin for a window, offscreen for
      // --capture, which shows none.
      {"", noX, true, true, true, "wayland", false, true},
      {"", noX, true, false, false, "offscreen", false, true},
      {"", noX, true, false, true, "", true, true},
      // No display of any kind.
      {"", noX, false, true, true, "", true, true},
  };
  for (const Case& c : cases) {
    bool asked = false;
    const PlatformChoice choice = choosePlatform({c.userChoice,
                                                  [&] {
                                                    asked = true;
                                                    return c.xProblem;
                                                  },
                                                  c.wayland, c.plugin, c.window});
    const std::string what = "choice '" + c.userChoice + "', X problem '" + c.xProblem +
                             "', wayland " + std::to_string(c.wayland) + ", plugin " +
                             std::to_string(c.plugin) + ", window " + std::to_string(c.window);
    EXPECT_EQ(choice.platform, c.platform) << what;
    EXPECT_EQ(!choice.refusal.empty(), c.refused) << what;
    EXPECT_EQ(asked, c.xAsked) << what;
    if (c.refused) {
      EXPECT_NE(choice.refusal.find("X display"), std::string::npos) << what;
    }
  }
}

TEST(PlatformChoice, TheUsersChoiceIsReadAsQtReadsIt) {
  std::string a0 = "snaprill", hide = "-hide", opt = "-platform", twoDashes = "--platform";
  std::string wayland = "wayland", offscreen = "offscreen";
  char* none[] = {a0.data(), hide.data()};
  char* one[] = {a0.data(), opt.data(), wayland.data()};
  char* two[] = {a0.data(), opt.data(), wayland.data(), twoDashes.data(), offscreen.data()};
  char* dangling[] = {a0.data(), opt.data()};
  EXPECT_EQ(userPlatformChoice(2, none, nullptr), "");
  EXPECT_EQ(userPlatformChoice(2, none, "wayland;xcb"), "wayland;xcb");
  // The command line wins over the variable, a later option over an earlier one.
  EXPECT_EQ(userPlatformChoice(3, one, "xcb"), "wayland");
  EXPECT_EQ(userPlatformChoice(5, two, nullptr), "offscreen");
  EXPECT_EQ(userPlatformChoice(2, dangling, "xcb"), "xcb");

  EXPECT_TRUE(isX11Platform("xcb"));
  EXPECT_TRUE(isX11Platform("xcb:nograb"));
  EXPECT_TRUE(isX11Platform("xcb;wayland"));
  EXPECT_FALSE(isX11Platform("wayland;xcb"));
  EXPECT_FALSE(isX11Platform("wayland-egl"));
  EXPECT_FALSE(isX11Platform(""));

  // The platform asked for goes after the program's own arguments, -hide still first.
  QtArguments arguments(2, none, "xcb");
  ASSERT_EQ(arguments.argc(), 4);
  EXPECT_STREQ(arguments.argv()[1], "-hide");
  EXPECT_STREQ(arguments.argv()[2], "-platform");
  EXPECT_STREQ(arguments.argv()[3], "xcb");
  EXPECT_EQ(arguments.argv()[4], nullptr);
  QtArguments untouched(2, none, "");
  EXPECT_EQ(untouched.argc(), 2);
}

// Fault caught: the Wayland platform asked for where its compositor has gone (a
// socket left behind), which Qt answers with an abort instead of a sentence.
TEST(PlatformChoice, AWaylandDisplayCountsOnlyWhenItsCompositorAnswers) {
  testing::TempDir runtime;
  ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
  ::unsetenv("WAYLAND_SOCKET");
  ::unsetenv("WAYLAND_DISPLAY");
  EXPECT_FALSE(waylandDisplayReachable());
  ::setenv("WAYLAND_DISPLAY", "wayland-test", 1);
  EXPECT_FALSE(waylandDisplayReachable());  // no socket
  const std::string path = runtime.path() + "/wayland-test";
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(::bind(server, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  EXPECT_FALSE(waylandDisplayReachable());  // a socket nobody listens on
  ASSERT_EQ(::listen(server, 1), 0);
  EXPECT_TRUE(waylandDisplayReachable());
  ::setenv("WAYLAND_DISPLAY", path.c_str(), 1);  // a full path
  EXPECT_TRUE(waylandDisplayReachable());
  ::close(server);
  ::unsetenv("WAYLAND_DISPLAY");
}

}  // namespace
}  // namespace snaprill
