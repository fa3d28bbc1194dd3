#include "backends/x11/x11_screen_grabber.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include "backends/x11/x11_window_frame.h"
#include "backends/x11/ximage_bitmap.h"

namespace snaprill {

struct X11ScreenGrabber::Segment {
  XShmSegmentInfo info{};
  int width = 0;
  int height = 0;
};

X11ScreenGrabber::X11ScreenGrabber() : display_(XOpenDisplay(nullptr)) {
  if (display_ == nullptr) return;
  activeAtom_ = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
  if (!XShmQueryExtension(display_)) return;
  // The server must reach our memory (it does not across machines): try once, with a
  // segment of one pixel that goes at once.
  ErrorTrap trap(display_);
  sharedMemory_ = attachSegment(1, 1) && !trap.failed();
  releaseSharedMemory();
}

X11ScreenGrabber::~X11ScreenGrabber() {
  if (display_ == nullptr) return;
  releaseSharedMemory();
  XCloseDisplay(display_);
}

void X11ScreenGrabber::grab(const GrabRequest& request, GrabDone done) {
  TakenPicture taken{Bitmap(), LostReason::ScreenUnreadable};
  try {
    taken.picture = request.activeWindow ? grabActiveWindow() : grabScreen();
  } catch (const std::exception&) {
    // A screen too large for a bitmap: as when the system cannot copy it.
  }
  done(std::move(taken));
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

bool X11ScreenGrabber::attachSegment(int width, int height) {
  releaseSharedMemory();
  auto segment = std::make_unique<Segment>();
  XShmSegmentInfo& info = segment->info;
  const int screen = DefaultScreen(display_);
  ImagePtr image(XShmCreateImage(display_, DefaultVisual(display_, screen),
                                 static_cast<unsigned>(DefaultDepth(display_, screen)), ZPixmap,
                                 nullptr, &info, static_cast<unsigned>(width),
                                 static_cast<unsigned>(height)));
  if (!image) return false;
  const std::size_t bytes =
      static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(image->height);
  info.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (info.shmid < 0) return false;
  void* address = shmat(info.shmid, nullptr, 0);
  // Marked for removal at once: it goes when both sides have let go, even if we crash
  // or the server goes away first.
  shmctl(info.shmid, IPC_RMID, nullptr);
  if (address == reinterpret_cast<void*>(-1)) return false;
  info.shmaddr = static_cast<char*>(address);
  info.readOnly = False;
  if (!XShmAttach(display_, &info)) {
    shmdt(address);
    return false;
  }
  segment->width = width;
  segment->height = height;
  segment_ = std::move(segment);
  return true;
}

void X11ScreenGrabber::releaseSharedMemory() {
  if (!segment_) return;
  XShmDetach(display_, &segment_->info);
  // The server lets go before we do, so the segment is gone once we have.
  XSync(display_, False);
  shmdt(segment_->info.shmaddr);
  segment_.reset();
}

Bitmap X11ScreenGrabber::grabShared(const Rect& area) {
  // One segment the size of the screen serves every grab of a burst: making,
  // attaching and freeing an 8 MB segment per grab cost about as much as the grab
  // itself. A new screen size gets a new one; smaller areas use its front part.
  const Rect screen = screenRect();
  if (!segment_ || segment_->width != screen.width() || segment_->height != screen.height()) {
    if (!attachSegment(screen.width(), screen.height())) return Bitmap();
  }
  if (area.right > segment_->width || area.bottom > segment_->height) return Bitmap();
  const int number = DefaultScreen(display_);
  XShmSegmentInfo info = segment_->info;
  ImagePtr image(XShmCreateImage(display_, DefaultVisual(display_, number),
                                 static_cast<unsigned>(DefaultDepth(display_, number)), ZPixmap,
                                 nullptr, &info, static_cast<unsigned>(area.width()),
                                 static_cast<unsigned>(area.height())));
  if (!image) return Bitmap();
  image->data = info.shmaddr;
  Bitmap picture;
  if (XShmGetImage(display_, DefaultRootWindow(display_), image.get(), area.left, area.top,
                   AllPlanes)) {
    picture = bitmapFromXImage(*image);
  }
  image->data = nullptr;  // the segment's, not XDestroyImage's to free
  return picture;
}

Bitmap X11ScreenGrabber::grabPlain(const Rect& area) {
  ImagePtr image(XGetImage(display_, DefaultRootWindow(display_), area.left, area.top,
                           static_cast<unsigned>(area.width()),
                           static_cast<unsigned>(area.height()), AllPlanes, ZPixmap));
  return image ? bitmapFromXImage(*image) : Bitmap();
}

}  // namespace snaprill
