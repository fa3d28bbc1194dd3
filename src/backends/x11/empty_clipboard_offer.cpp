#include "backends/x11/empty_clipboard_offer.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <utility>

// Last: its macros (None, Bool, Status) clash with names in other headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace snaprill {

namespace {

void wake(int eventFd) {
  const std::uint64_t one = 1;
  // Only fails when the count is near overflow: the thread is woken all the same.
  if (write(eventFd, &one, sizeof one) < 0) return;
}

void drain(int eventFd) {
  std::uint64_t count = 0;
  if (read(eventFd, &count, sizeof count) < 0) return;  // nothing was there
}

}  // namespace

EmptyClipboardOffer::EmptyClipboardOffer(const char* displayName) {
  // Until the thread starts, and again once it has ended, the connection is this
  // thread's; in between it is the serving thread's alone.
  Display* display = XOpenDisplay(displayName);
  if (display == nullptr) return;
  wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake_ < 0) {
    XCloseDisplay(display);
    return;
  }
  display_ = display;
  window_ = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  clipboard_ = XInternAtom(display, "CLIPBOARD", False);
  targets_ = XInternAtom(display, "TARGETS", False);
  timestamp_ = XInternAtom(display, "TIMESTAMP", False);
  XFlush(display);
  if (!thread_.start([this] { serve(); })) {
    XDestroyWindow(display, window_);
    XCloseDisplay(display);
    close(wake_);
    display_ = nullptr;
  }
}

EmptyClipboardOffer::~EmptyClipboardOffer() {
  if (display_ == nullptr) return;
  stopping_ = true;
  wake(wake_);
  thread_.join();
  XDestroyWindow(display_, window_);
  XCloseDisplay(display_);
  close(wake_);
}

void EmptyClipboardOffer::takeFrom(unsigned long owner, unsigned long time) {
  if (display_ == nullptr || time == CurrentTime) return;
  {
    const std::lock_guard lock(takingLock_);
    taking_ = Taking{owner, time};
  }
  wake(wake_);
}

void EmptyClipboardOffer::serve() {
  pollfd waits[2] = {{ConnectionNumber(display_), POLLIN, 0}, {wake_, POLLIN, 0}};
  for (;;) {
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      if (event.type == SelectionRequest) answer(event);
    }
    if (stopping_) return;
    std::optional<Taking> taking;
    {
      const std::lock_guard lock(takingLock_);
      taking = std::exchange(taking_, std::nullopt);
    }
    if (taking) {
      if (XGetSelectionOwner(display_, clipboard_) == taking->owner) {
        XSetSelectionOwner(display_, clipboard_, window_, taking->time);
        ownedSince_ = taking->time;
        XFlush(display_);
      }
      continue;
    }
    poll(waits, 2, -1);
    if ((waits[1].revents & POLLIN) != 0) drain(wake_);
  }
}

void EmptyClipboardOffer::answer(const XEvent& event) {
  const XSelectionRequestEvent& request = event.xselectionrequest;
  // Requestors that predate ICCCM name no property: the target is used instead.
  Atom property = request.property != None ? request.property : request.target;
  if (request.target == targets_) {
    // No targets, not even TARGETS itself: Mutter would list that as a type.
    XChangeProperty(display_, request.requestor, property, XA_ATOM, 32, PropModeReplace, nullptr,
                    0);
  } else if (request.target == timestamp_) {
    const long since = static_cast<long>(ownedSince_);
    XChangeProperty(display_, request.requestor, property, XA_INTEGER, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&since), 1);
  } else {
    property = None;
  }
  XEvent reply{};
  reply.xselection.type = SelectionNotify;
  reply.xselection.requestor = request.requestor;
  reply.xselection.selection = request.selection;
  reply.xselection.target = request.target;
  reply.xselection.property = property;
  reply.xselection.time = request.time;
  XSendEvent(display_, request.requestor, False, 0, &reply);
  XFlush(display_);
}

}  // namespace snaprill
