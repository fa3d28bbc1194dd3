#include "tools/fake_wayland_display.h"

#include <stdlib.h>
#include <unistd.h>

#include <stdexcept>

#include <wayland-server.h>

namespace snaprill {

FakeWaylandDisplay::FakeWaylandDisplay() {
  if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
    char folder[] = "/tmp/snaprill-compositor-XXXXXX";
    if (mkdtemp(folder) == nullptr) throw std::runtime_error("no folder for the socket");
    runtimeDirMade_ = folder;
    setenv("XDG_RUNTIME_DIR", folder, 1);
  }
  display_ = wl_display_create();
  const char* socket = wl_display_add_socket_auto(display_);
  if (socket == nullptr) throw std::runtime_error("no Wayland socket");
  setenv("WAYLAND_DISPLAY", socket, 1);
}

void FakeWaylandDisplay::serve() {
  thread_ = std::thread([this] {
    wl_event_loop* loop = wl_display_get_event_loop(display_);
    while (!stop_) {
      wl_event_loop_dispatch(loop, 20);
      wl_display_flush_clients(display_);
    }
  });
}

FakeWaylandDisplay::~FakeWaylandDisplay() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  wl_display_destroy_clients(display_);
  wl_display_destroy(display_);
  unsetenv("WAYLAND_DISPLAY");
  if (!runtimeDirMade_.empty()) {
    unsetenv("XDG_RUNTIME_DIR");
    rmdir(runtimeDirMade_.c_str());
  }
}

}  // namespace snaprill
