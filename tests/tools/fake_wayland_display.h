// A Wayland display of the tests' own, answered in a thread of the test: it listens
// on a socket in $XDG_RUNTIME_DIR (a folder of its own when that is not set) and
// points WAYLAND_DISPLAY at it. A fake compositor makes its globals on it, then
// serves.
#pragma once

#include <atomic>
#include <string>
#include <thread>

struct wl_display;

namespace snaprill {

class FakeWaylandDisplay {
 public:
  FakeWaylandDisplay();
  // Ends the clients' connections, their objects first.
  ~FakeWaylandDisplay();
  FakeWaylandDisplay(const FakeWaylandDisplay&) = delete;
  FakeWaylandDisplay& operator=(const FakeWaylandDisplay&) = delete;

  wl_display* display() const { return display_; }
  // From now on the clients' requests are answered, in a thread of the display's.
  void serve();

 private:
  wl_display* display_ = nullptr;
  std::string runtimeDirMade_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace snaprill
