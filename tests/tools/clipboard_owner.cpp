// A clipboard owner that misbehaves on purpose, for the desktop tests: it offers a
// PNG file on CLIPBOARD and then, depending on the mode,
//   hang            answers the request for the types but never the one for the PNG;
//   no-echo         answers everything, with "now" as the time instead of the request's;
//   die-incr        starts sending the PNG in parts, sends one and exits;
//   text-and-image  offers plain text too, as office programs copy cells: the PNG,
//                   and "Snaprill clipboard text" as UTF8_STRING, STRING, TEXT and
//                   text/plain.
//   pixmap          offers no PNG but an X pixmap (PIXMAP), as old X programs do:
//                   64x48, its left half red and its right half blue;
//   pixmap-hang     offers a pixmap and never sends it;
//   slow-types      says what it offers only after 4 s;
//   secret          offers the PNG marked as a password manager marks a secret
//                   (x-kde-passwordManagerHint);
//   replace-after-sending
//                   50 ms after sending the PNG offers it again, from a new window,
//                   as the next screenshot would be (the first one is then still
//                   being written);
//   announce        offers the PNG as any program does, and prints "sent" each
//                   time it has sent it.
// It prints "ready" once it owns the clipboard and exits when it loses it.
//
// usage: clipboard_owner MODE FILE.png
//
//   clipboard_owner burst MS FILE.png...
//   clipboard_owner burst-after-types MS FILE.png...
// offers each PNG in turn, each from a window of its own as screenshots taken in
// quick succession are: MS milliseconds apart, or (burst-after-types) MS
// milliseconds after the types of the one before were asked for, so that whoever
// follows the clipboard knows each offer is a picture (or 2 s after it, when nobody
// asks). Every window keeps answering for its own picture. It prints "done" after
// the last offer and exits once that one loses the clipboard.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

void answer(Display* display, const XSelectionRequestEvent& request, Atom property, Time time) {
  XEvent reply{};
  reply.xselection.type = SelectionNotify;
  reply.xselection.requestor = request.requestor;
  reply.xselection.selection = request.selection;
  reply.xselection.target = request.target;
  reply.xselection.property = property;
  reply.xselection.time = time;
  XSendEvent(display, request.requestor, False, 0, &reply);
  XFlush(display);
}

// The first part of an incremental transfer, after the requestor has taken the
// announcement; then nothing more.
void sendFirstPartAndDie(Display* display, const XSelectionRequestEvent& request, Atom incr,
                         Atom png, const std::vector<char>& data, Time time) {
  XSelectInput(display, request.requestor, PropertyChangeMask);
  const long size = static_cast<long>(data.size());
  XChangeProperty(display, request.requestor, request.property, incr, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&size), 1);
  answer(display, request, request.property, time);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == PropertyNotify && event.xproperty.window == request.requestor &&
        event.xproperty.atom == request.property && event.xproperty.state == PropertyDelete)
      break;
  }
  XChangeProperty(display, request.requestor, request.property, png, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(data.data()), 65536);
  XFlush(display);
  std::_Exit(0);
}

// Takes CLIPBOARD for window, with a timestamp from a property change of its own.
bool takeClipboard(Display* display, Window window, Atom clipboard) {
  XSelectInput(display, window, PropertyChangeMask);
  XChangeProperty(display, window, XA_STRING, XA_STRING, 8, PropModeAppend, nullptr, 0);
  XEvent event;
  XWindowEvent(display, window, PropertyChangeMask, &event);
  XSetSelectionOwner(display, clipboard, window, event.xproperty.time);
  return XGetSelectionOwner(display, clipboard) == window;
}

// The pixmap of the pixmap modes, in the screen's depth and colours.
Pixmap makePixmap(Display* display, Window window) {
  const int screen = DefaultScreen(display);
  const Pixmap pixmap =
      XCreatePixmap(display, window, 64, 48, static_cast<unsigned>(DefaultDepth(display, screen)));
  const Visual* visual = DefaultVisual(display, screen);
  GC gc = XCreateGC(display, pixmap, 0, nullptr);
  XSetForeground(display, gc, visual->red_mask);
  XFillRectangle(display, pixmap, gc, 0, 0, 32, 48);
  XSetForeground(display, gc, visual->blue_mask);
  XFillRectangle(display, pixmap, gc, 32, 0, 32, 48);
  XFreeGC(display, gc);
  return pixmap;
}

std::vector<char> readFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int offerInTurn(Display* display, int intervalMs, bool afterTypes,
                const std::vector<std::vector<char>>& pictures) {
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  const Atom targets = XInternAtom(display, "TARGETS", False);
  const Atom png = XInternAtom(display, "image/png", False);
  std::vector<Window> windows;  // windows[i] offers pictures[i]
  const auto interval = std::chrono::milliseconds(intervalMs);
  auto next = std::chrono::steady_clock::now();
  for (;;) {
    const auto now = std::chrono::steady_clock::now();
    if (windows.size() < pictures.size() && now >= next) {
      const Window window =
          XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
      if (!takeClipboard(display, window, clipboard)) return 1;
      windows.push_back(window);
      next = afterTypes ? now + std::chrono::seconds(2) : next + interval;
      if (windows.size() == pictures.size()) {
        std::printf("done\n");
        std::fflush(stdout);
      }
    }
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == SelectionClear && windows.size() == pictures.size() &&
          event.xselectionclear.window == windows.back())
        return 0;
      if (event.type != SelectionRequest) continue;
      const XSelectionRequestEvent& request = event.xselectionrequest;
      const auto owner = std::find(windows.begin(), windows.end(), request.owner);
      if (owner == windows.end()) continue;
      const std::vector<char>& data = pictures[static_cast<std::size_t>(owner - windows.begin())];
      Atom property = request.property;
      if (request.target == targets) {
        if (afterTypes && request.owner == windows.back())
          next = std::min(next, std::chrono::steady_clock::now() + interval);
        const Atom offered[] = {targets, png};
        XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(offered), 2);
      } else if (request.target == png) {
        XChangeProperty(display, request.requestor, property, png, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(data.data()),
                        static_cast<int>(data.size()));
      } else {
        property = None;
      }
      answer(display, request, property, request.time);
    }
    int wait = -1;
    if (windows.size() < pictures.size()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          next - std::chrono::steady_clock::now());
      wait = static_cast<int>(std::max<long long>(0, left.count()));
    }
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    poll(&connection, 1, wait);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool afterTypes = argc > 1 && std::string(argv[1]) == "burst-after-types";
  if (argc > 3 && (afterTypes || std::string(argv[1]) == "burst")) {
    std::vector<std::vector<char>> pictures;
    for (int i = 3; i < argc; ++i) pictures.push_back(readFile(argv[i]));
    Display* display = XOpenDisplay(nullptr);
    return display != nullptr ? offerInTurn(display, std::atoi(argv[2]), afterTypes, pictures) : 1;
  }
  if (argc != 3) {
    std::fprintf(
        stderr,
        "usage: clipboard_owner hang|no-echo|die-incr|text-and-image|secret|pixmap|pixmap-hang|"
        "slow-types|replace-after-sending|announce FILE.png\n"
        "       clipboard_owner burst|burst-after-types MS FILE.png...\n");
    return 2;
  }
  const std::string mode = argv[1];
  const std::vector<char> data = readFile(argv[2]);
  Display* display = XOpenDisplay(nullptr);
  // A transfer in parts needs more than one part to send.
  if (display == nullptr || (mode == "die-incr" && data.size() < 65536 * 2)) return 1;
  Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  const Atom targets = XInternAtom(display, "TARGETS", False);
  const Atom png = XInternAtom(display, "image/png", False);
  const Atom incr = XInternAtom(display, "INCR", False);
  const bool pixmapMode = mode == "pixmap" || mode == "pixmap-hang";
  const Atom picture = pixmapMode ? XA_PIXMAP : png;
  const Atom texts[] = {XInternAtom(display, "UTF8_STRING", False), XA_STRING,
                        XInternAtom(display, "TEXT", False),
                        XInternAtom(display, "text/plain", False)};
  const std::string text = "Snaprill clipboard text";
  if (!takeClipboard(display, window, clipboard)) return 1;
  std::printf("ready\n");
  std::fflush(stdout);
  bool replaced = false;
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == SelectionClear && event.xselectionclear.window == window) return 0;
    if (event.type != SelectionRequest) continue;
    const XSelectionRequestEvent& request = event.xselectionrequest;
    const Time time = mode == "no-echo" ? CurrentTime : request.time;
    const bool withText = mode == "text-and-image";
    const bool textAsked = withText && std::find(std::begin(texts), std::end(texts),
                                                 request.target) != std::end(texts);
    if (request.target == targets) {
      if (mode == "slow-types") std::this_thread::sleep_for(std::chrono::seconds(4));
      std::vector<Atom> offered = {targets, picture};
      if (withText) offered.insert(offered.end(), std::begin(texts), std::end(texts));
      if (mode == "secret")
        offered.push_back(XInternAtom(display, "x-kde-passwordManagerHint", False));
      XChangeProperty(display, request.requestor, request.property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(offered.data()),
                      static_cast<int>(offered.size()));
      answer(display, request, request.property, time);
    } else if (textAsked) {
      XChangeProperty(display, request.requestor, request.property, request.target, 8,
                      PropModeReplace, reinterpret_cast<const unsigned char*>(text.data()),
                      static_cast<int>(text.size()));
      answer(display, request, request.property, time);
    } else if (request.target == XA_PIXMAP && pixmapMode) {
      if (mode == "pixmap-hang") continue;
      const Pixmap pixmap = makePixmap(display, window);
      XChangeProperty(display, request.requestor, request.property, XA_PIXMAP, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&pixmap), 1);
      answer(display, request, request.property, time);
    } else if (request.target == png && !pixmapMode) {
      if (mode == "hang") continue;
      if (mode == "die-incr") sendFirstPartAndDie(display, request, incr, png, data, time);
      XChangeProperty(display, request.requestor, request.property, png, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(data.data()),
                      static_cast<int>(data.size()));
      answer(display, request, request.property, time);
      if (mode == "announce") {
        XFlush(display);
        std::printf("sent\n");
        std::fflush(stdout);
      }
      if (mode == "replace-after-sending" && !replaced) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
        if (!takeClipboard(display, window, clipboard)) return 1;
        replaced = true;
      }
    } else {
      answer(display, request, None, time);
    }
  }
}
