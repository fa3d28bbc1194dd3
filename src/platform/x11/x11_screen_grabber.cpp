#include "platform/x11/x11_screen_grabber.h"

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

namespace snaprill {

namespace {

// Xlib's default error handler ends the program. While one of these lives, errors
// (a window that went away meanwhile, shared memory the server cannot reach) are
// noted instead. Short-lived and on the one thread that uses Xlib.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display) : display_(display) {
    XSync(display_, False);
    failed_ = false;
    previous_ = XSetErrorHandler(&ErrorTrap::note);
  }
  ~ErrorTrap() {
    XSync(display_, False);
    XSetErrorHandler(previous_);
  }
  // Whether a request made so far failed.
  bool failed() {
    XSync(display_, False);
    return failed_;
  }

 private:
  static int note(Display*, XErrorEvent*) {
    failed_ = true;
    return 0;
  }
  static inline bool failed_ = false;
  Display* display_;
  XErrorHandler previous_;
};

// The position of the lowest bit of a mask and the number of bits it holds.
struct Channel {
  int shift = 0;
  int bits = 0;
  explicit Channel(unsigned long mask) {
    if (mask == 0) return;
    shift = std::countr_zero(mask);
    bits = std::popcount(mask);
  }
  std::uint8_t of(unsigned long pixel) const {
    if (bits == 0) return 0;
    const unsigned long v = (pixel >> shift) & ((1ul << bits) - 1);
    return static_cast<std::uint8_t>(bits >= 8 ? v >> (bits - 8) : v * 255 / ((1ul << bits) - 1));
  }
};

Bitmap bitmapFromXImage(XImage& image) {
  Bitmap out(image.width, image.height, 32, Bitmap::Unfilled{});
  const bool screenLayout = image.bits_per_pixel == 32 && image.red_mask == 0xFF0000 &&
                            image.green_mask == 0xFF00 && image.blue_mask == 0xFF &&
                            image.byte_order == LSBFirst;
  if (screenLayout) {
    // B G R and a fourth byte: our layout, but for the fourth byte, which must be 0.
    const std::size_t width = static_cast<std::size_t>(image.width);
    for (int y = 0; y < image.height; ++y) {
      const auto* src =
          reinterpret_cast<const std::uint8_t*>(image.data) +
          static_cast<std::size_t>(y) * static_cast<std::size_t>(image.bytes_per_line);
      std::uint8_t* dst = out.row(y);
      if constexpr (std::endian::native == std::endian::little) {
        for (std::size_t x = 0; x < width; ++x) {
          std::uint32_t v;
          std::memcpy(&v, src + 4 * x, 4);
          v &= 0x00FFFFFFu;
          std::memcpy(dst + 4 * x, &v, 4);
        }
      } else {
        for (std::size_t x = 0; x < width; ++x) {
          std::memcpy(dst + 4 * x, src + 4 * x, 3);
          dst[4 * x + 3] = 0;
        }
      }
    }
    return out;
  }
  // Any other visual (16 bits per pixel, other channel orders): pixel by pixel.
  const Channel red(image.red_mask), green(image.green_mask), blue(image.blue_mask);
  for (int y = 0; y < image.height; ++y) {
    std::uint8_t* dst = out.row(y);
    for (int x = 0; x < image.width; ++x, dst += 4) {
      const unsigned long pixel = XGetPixel(&image, x, y);
      dst[0] = blue.of(pixel);
      dst[1] = green.of(pixel);
      dst[2] = red.of(pixel);
      dst[3] = 0;
    }
  }
  return out;
}

struct ImageDeleter {
  void operator()(XImage* image) const { XDestroyImage(image); }
};
using ImagePtr = std::unique_ptr<XImage, ImageDeleter>;

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

X11ScreenGrabber::X11ScreenGrabber() : display_(XOpenDisplay(nullptr)) {
  if (display_ == nullptr) return;
  activeAtom_ = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
  frameAtom_ = XInternAtom(display_, "_NET_FRAME_EXTENTS", False);
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
  const int screen = DefaultScreen(display_);
  return grab(Rect{0, 0, DisplayWidth(display_, screen), DisplayHeight(display_, screen)});
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
  const int screen = DefaultScreen(display_);
  const Rect cut{static_cast<int>(std::max(left, 0LL)), static_cast<int>(std::max(top, 0LL)),
                 static_cast<int>(std::min<long long>(right, DisplayWidth(display_, screen))),
                 static_cast<int>(std::min<long long>(bottom, DisplayHeight(display_, screen)))};
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
