#include "backends/wayland/dispatch_until.h"

#include <poll.h>

#include <cerrno>

#include <wayland-client-core.h>

namespace snaprill {

bool dispatchUntil(wl_display* display, std::chrono::steady_clock::time_point deadline) {
  // Events already read for us are handled first, as wl_display_dispatch does.
  if (wl_display_prepare_read(display) != 0) return wl_display_dispatch_pending(display) >= 0;
  // The requests that ask for the answer must have left before we wait for it.
  while (wl_display_flush(display) < 0) {
    if (errno != EAGAIN) {
      wl_display_cancel_read(display);
      return false;
    }
    pollfd out{wl_display_get_fd(display), POLLOUT, 0};
    ::poll(&out, 1, 100);
  }
  for (;;) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd in{wl_display_get_fd(display), POLLIN, 0};
    const int ready = ::poll(&in, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    if (wl_display_read_events(display) < 0) return false;
    return wl_display_dispatch_pending(display) >= 0;
  }
  wl_display_cancel_read(display);
  return false;
}

}  // namespace snaprill
