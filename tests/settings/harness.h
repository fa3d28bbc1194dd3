// An engine on fake services whose program directory is a temporary folder, and
// whose autostart entries go to a folder of their own.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/engine.h"
#include "platform/fake/fakes.h"

namespace snaprill::test {

class TempDir {
 public:
  // On tmpfs where there is one: every settings save syncs each key to disk.
  explicit TempDir(const std::filesystem::path& base = defaultBase()) {
    std::string templ = (base / "snaprill-test-XXXXXX").string();
    if (::mkdtemp(templ.data())) path_ = templ;
  }
  bool ok() const { return !path_.empty(); }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  static std::filesystem::path defaultBase() {
    std::error_code ec;
    if (::access("/dev/shm", W_OK) == 0) return "/dev/shm";
    return std::filesystem::temp_directory_path(ec);
  }
  // With a trailing "/".
  std::string path() const { return path_ + "/"; }

 private:
  std::string path_;
};

inline ProgramDirectories dirsIn(const std::string& dir) {
  return ProgramDirectories{dir, dir, dir, dir + "snaprill"};
}

struct Harness {
  explicit Harness(const std::string& dir)
      : platform{clipboard,   dialogs,          tray, clock, launcher, events, fake::newFakeTimer,
                 dirsIn(dir), ReferenceScreen{}},
        engine(controls, texts, platform) {
    ::setenv("XDG_CONFIG_HOME", (dir + "xdg").c_str(), 1);
  }

  fake::FakeClipboard clipboard;
  fake::FakeDialogs dialogs;
  fake::FakeTray tray;
  fake::FakeClock clock;
  fake::FakeLauncher launcher;
  fake::FakeEventPump events;
  Platform platform;
  Controls controls;
  Texts texts;
  CaptureEngine engine;
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace snaprill::test
