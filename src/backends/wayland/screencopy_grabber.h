// Pictures of the screen through wlr-screencopy (sway and the other wlroots
// compositors), on a connection of our own: every output is copied into shared
// memory and the outputs are put together where the compositor places them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "image/bitmap.h"

struct wl_display;
struct wl_registry;
struct wl_shm;
struct wl_output;
struct wl_proxy;

namespace snaprill {

class ScreencopyGrabber {
 public:
  // Nothing when there is no Wayland display or it has no screencopy.
  static std::unique_ptr<ScreencopyGrabber> connect();
  ~ScreencopyGrabber();
  ScreencopyGrabber(const ScreencopyGrabber&) = delete;
  ScreencopyGrabber& operator=(const ScreencopyGrabber&) = delete;

  // 32 bpp; empty when the compositor would not copy an output. With `withCursor`
  // the compositor draws the cursor into the picture.
  Bitmap grabScreen(bool withCursor);

  // Called from libwayland's listeners.
  struct Output {
    std::uint32_t name = 0;
    wl_output* output = nullptr;
    int x = 0;  // where the compositor places it
    int y = 0;
  };
  void global(std::uint32_t name, const char* interface);
  void globalRemoved(std::uint32_t name);
  void placed(wl_output* output, int x, int y);

  explicit ScreencopyGrabber(wl_display* display);

 private:
  bool start();
  std::optional<Bitmap> copyOutput(const Output& output, bool withCursor);

  wl_display* display_;
  wl_registry* registry_ = nullptr;
  wl_shm* shm_ = nullptr;
  wl_proxy* manager_ = nullptr;
  std::vector<Output> outputs_;
};

}  // namespace snaprill
