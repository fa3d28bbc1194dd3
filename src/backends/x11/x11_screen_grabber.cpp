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

#include "backends/x11/ximage_bitmap.h"

namespace snaprill {

namespace {

// A property of 32-bit items, as Xlib hands them out (as longs).
std::vector<unsigned long> cardinals(Display* display, Window window, Atom property, Atom type) {
  Atom actual = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<unsigned long> values;
  if (XGetWindowProperty(display, window, property, 0, 16, False, type, &actual, &format, &count,
                         &after, &data) == Success &&
      data != nullptr && format == 32) {
    const auto* items = reinterpret_cast<const unsigned long*>(data);
    values.assign(items, items + count);
  }
  if (data != nullptr) XFree(data);
  return values;
}

}  // namespace

struct X11ScreenGrabber::Segment {
  XShmSegmentInfo info{};
  int width = 0;
  int height = 0;
};

X11ScreenGrabber::X11ScreenGrabber() : display_(XOpenDisplay(nullptr)) {
  if (display_ == nullptr) return;
  activeAtom_ = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
  frameAtom_ = XInternAtom(display_, "_NET_FRAME_EXTENTS", False);
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
  const std::vector<unsigned long> active = cardinals(display_, root, activeAtom_, XA_WINDOW);
  if (active.empty() || active[0] == None) return std::nullopt;
  const Window window = active[0];
  // The window may be gone by now.
  ErrorTrap trap(display_);
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display_, window, &attributes)) return std::nullopt;
  int x = 0, y = 0;
  Window child = None;
  if (!XTranslateCoordinates(display_, window, root, 0, 0, &x, &y, &child)) return std::nullopt;
  std::vector<unsigned long> frame = cardinals(display_, window, frameAtom_, XA_CARDINAL);
  if (trap.failed()) return std::nullopt;
  frame.resize(4, 0);  // left, right, top, bottom; none without a frame
  const auto extent = [&frame](int i) {
    return static_cast<long long>(std::min(frame[i], 0xFFFFul));
  };
  const long long border = attributes.border_width;
  const long long left = x - border - extent(0);
  const long long top = y - border - extent(2);
  const long long right = x + attributes.width + border + extent(1);
  const long long bottom = y + attributes.height + border + extent(3);
  const Rect screen = screenRect();
  const Rect cut{static_cast<int>(std::max(left, 0LL)), static_cast<int>(std::max(top, 0LL)),
                 static_cast<int>(std::min<long long>(right, screen.right)),
                 static_cast<int>(std::min<long long>(bottom, screen.bottom))};
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
