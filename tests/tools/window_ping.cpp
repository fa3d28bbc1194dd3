// Measures how soon a window's program answers: sends the window manager's ping
// (_NET_WM_PING) to a window again and again, and prints the slowest answer in
// milliseconds, or "no answer" when one does not come within five seconds. A
// program whose event loop is blocked answers late or not at all. With an
// interval, the pings go that many milliseconds apart (after each answer) and
// every answer is printed as it comes, one line each, for a caller that stops the
// pings when it has seen enough.
//
// usage: window_ping WINDOW_ID COUNT [INTERVAL_MS]
#include <X11/Xlib.h>
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Waits for the answer to the ping stamped `stamp`; false after `limit`.
bool awaitAnswer(Display* display, Atom protocols, Atom ping, long stamp, Clock::time_point limit) {
  for (;;) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == ClientMessage && event.xclient.message_type == protocols &&
          static_cast<Atom>(event.xclient.data.l[0]) == ping && event.xclient.data.l[1] == stamp)
        return true;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(limit - Clock::now()).count();
    if (left <= 0) return false;
    pollfd socket{ConnectionNumber(display), POLLIN, 0};
    ::poll(&socket, 1, static_cast<int>(left));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: window_ping WINDOW_ID COUNT [INTERVAL_MS]\n");
    return 2;
  }
  const Window window = std::strtoul(argv[1], nullptr, 0);
  const int count = std::atoi(argv[2]);
  const int interval = argc == 4 ? std::atoi(argv[3]) : 0;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 1;
  const Window root = DefaultRootWindow(display);
  const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
  const Atom ping = XInternAtom(display, "_NET_WM_PING", False);
  // The answer goes to the root window, for whoever watches it (Qt sends it to
  // those watching the root's structure, window managers to its children's).
  XSelectInput(display, root, StructureNotifyMask | SubstructureNotifyMask);
  double slowest = 0;
  for (int i = 1; i <= count; ++i) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(ping);
    event.xclient.data.l[1] = i;  // stands in for the time stamp, to match the answer
    event.xclient.data.l[2] = static_cast<long>(window);
    const auto sent = Clock::now();
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    if (!awaitAnswer(display, protocols, ping, i, sent + std::chrono::seconds(5))) {
      std::printf("no answer\n");
      XCloseDisplay(display);
      return 1;
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
    if (ms > slowest) slowest = ms;
    if (interval > 0) {
      std::printf("%.1f\n", ms);
      std::fflush(stdout);
      std::this_thread::sleep_for(std::chrono::milliseconds(interval));
    }
  }
  std::printf("%.1f\n", slowest);
  XCloseDisplay(display);
  return 0;
}
