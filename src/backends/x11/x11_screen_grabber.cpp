#include "backends/x11/x11_screen_grabber.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include "backends/x11/x11_window_frame.h"
#include "backends/x11/ximage_bitmap.h"

namespace snaprill {

X11ScreenGrabber::X11ScreenGrabber() : display_(XOpenDisplay(nullptr)) {
  if (display_ == nullptr) return;
  activeAtom_ = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
  if (!XShmQueryExtension(display_)) return;
  // The server must reach our memory (it does not across machines): try once.
  const Rect probe{0, 0, 1, 1};
  ErrorTrap trap(display_);
  sharedMemory_ = !grabShared(probe).empty() && !trap.failed();
}

X11ScreenGrabber::~X11ScreenGrabber() {
  if (display_ != nullptr) XCloseDisplay(display_);
}

Bitmap X11ScreenGrabber::grabScreen() {
  if (display_ == nullptr) return Bitmap();
  const Rect screen = screenRect();
  Bitmap picture = grab(screen);
  if (!picture.empty()) return picture;
  // A screen that shrank between the question and the grab fails the grab: once more
  // at the size it has now.
  XSync(display_, False);
  const Rect now = screenRect();
  const bool resized = now.right != screen.right || now.bottom != screen.bottom;
  return resized ? grab(now) : picture;
}

Rect X11ScreenGrabber::screenRect() {
  const ReferenceScreen screen = size_.current();
  return Rect{0, 0, screen.widthPixels, screen.heightPixels};
}

Bitmap X11ScreenGrabber::grabActiveWindow() {
  if (display_ == nullptr) return Bitmap();
  const std::optional<Rect> window = activeWindowRect();
  return window ? grab(*window) : grabScreen();
}

std::optional<Rect> X11ScreenGrabber::activeWindowRect() {
  const Window root = DefaultRootWindow(display_);
  const std::vector<unsigned long> active =
      cardinalProperty(display_, root, activeAtom_, XA_WINDOW);
  if (active.empty() || active[0] == None) return std::nullopt;
  const std::optional<WindowRects> window = windowRects(display_, active[0]);
  if (!window) return std::nullopt;
  const Rect& outer = window->outer;
  const Rect screen = screenRect();
  const Rect cut{std::max(outer.left, 0), std::max(outer.top, 0),
                 std::min(outer.right, screen.right), std::min(outer.bottom, screen.bottom)};
  if (cut.width() <= 0 || cut.height() <= 0) return std::nullopt;
  return cut;
}

Bitmap X11ScreenGrabber::grab(const Rect& area) {
  // The screen may have changed its size since the area was measured.
  ErrorTrap trap(display_);
  if (sharedMemory_) {
    Bitmap picture = grabShared(area);
    if (!picture.empty()) return picture;
  }
  return grabPlain(area);
}

Bitmap X11ScreenGrabber::grabShared(const Rect& area) {
  const int screen = DefaultScreen(display_);
  XShmSegmentInfo segment{};
  ImagePtr image(XShmCreateImage(display_, DefaultVisual(display_, screen),
                                 static_cast<unsigned>(DefaultDepth(display_, screen)), ZPixmap,
                                 nullptr, &segment, static_cast<unsigned>(area.width()),
                                 static_cast<unsigned>(area.height())));
  if (!image) return Bitmap();
  const std::size_t bytes =
      static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(image->height);
  segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (segment.shmid < 0) return Bitmap();
  segment.shmaddr = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
  // Marked for removal at once: it goes when both sides have let go, even if we crash.
  shmctl(segment.shmid, IPC_RMID, nullptr);
  if (segment.shmaddr == reinterpret_cast<char*>(-1)) return Bitmap();
  image->data = segment.shmaddr;
  segment.readOnly = False;
  Bitmap picture;
  if (XShmAttach(display_, &segment)) {
    if (XShmGetImage(display_, DefaultRootWindow(display_), image.get(), area.left, area.top,
                     AllPlanes)) {
      picture = bitmapFromXImage(*image);
    }
    XShmDetach(display_, &segment);
  }
  image->data = nullptr;  // not XDestroyImage's to free
  shmdt(segment.shmaddr);
  return picture;
}

Bitmap X11ScreenGrabber::grabPlain(const Rect& area) {
  ImagePtr image(XGetImage(display_, DefaultRootWindow(display_), area.left, area.top,
                           static_cast<unsigned>(area.width()),
                           static_cast<unsigned>(area.height()), AllPlanes, ZPixmap));
  return image ? bitmapFromXImage(*image) : Bitmap();
}

}  // namespace snaprill
