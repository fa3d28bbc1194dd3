// Pictures of the screen from the X server, on a connection of our own: the whole
// screen, or the active window with the frame the window manager draws around it.
// The pixels come through the X shared-memory extension where the server offers it
// (no copy through the socket), otherwise with a plain GetImage request.
#pragma once

#include <optional>

#include "backends/x11/x11_screen_size.h"
#include "image/bitmap.h"
#include "platform/screen_grabber.h"

#include <memory>

typedef struct _XDisplay Display;

namespace snaprill {

class X11ScreenGrabber : public ScreenGrabber {
 public:
  // Connects to the display named by DISPLAY; without one every picture is empty.
  X11ScreenGrabber();
  ~X11ScreenGrabber() override;
  X11ScreenGrabber(const X11ScreenGrabber&) = delete;
  X11ScreenGrabber& operator=(const X11ScreenGrabber&) = delete;

  bool active() const { return display_ != nullptr; }

  // 32 bpp bitmaps, as a screen bitmap comes; empty when nothing could be had. The
  // screen is taken at the size it has now, which may differ from the size at start.
  // The cursor is never in it: the cursor adjustment draws the X server's.
  Bitmap grabScreen();
  // The window the window manager names active (_NET_ACTIVE_WINDOW) with its frame
  // (_NET_FRAME_EXTENTS), cut to the screen; the whole screen when no window is
  // active or it lies wholly outside the screen.
  Bitmap grabActiveWindow();

  // ScreenGrabber: one of the two, answered before grab returns; none is
  // LostReason::ScreenUnreadable (a screen too large for a bitmap included).
  void grab(const GrabRequest& request, GrabDone done) override;
  bool showsCursor() const override { return false; }
  // An X server answers at once or not at all.
  std::chrono::milliseconds longestAnswer() const override { return std::chrono::seconds(5); }

  // Grabs keep one shared-memory segment the size of the screen attached, for the
  // next grab of a burst; this lets it go (the program's memory-release timer, once a
  // burst is over). The next grab makes a new one.
  void releaseSharedMemory();

 private:
  Rect screenRect();
  // The active window's outer rectangle, cut to the screen.
  std::optional<Rect> activeWindowRect();
  Bitmap grab(const Rect& area);
  bool attachSegment(int width, int height);
  Bitmap grabShared(const Rect& area);
  Bitmap grabPlain(const Rect& area);

  Display* display_ = nullptr;
  X11ScreenSize size_{display_};
  bool sharedMemory_ = false;
  struct Segment;
  std::unique_ptr<Segment> segment_;  // while one is attached
  unsigned long activeAtom_ = 0;
};

}  // namespace snaprill
