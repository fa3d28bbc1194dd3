// Pictures of the screen through the compositor's copying protocols
// (output_copier.h), on a connection of our own: ext-image-copy-capture where the
// compositor has it, wlr-screencopy (sway and the other wlroots compositors). Every
// output is copied into shared memory, turned upright, and the outputs are put
// together where the compositor places them (xdg-output, output_layout.h), at full
// resolution on scaled outputs.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "backends/wayland/dispatch_until.h"
#include "image/bitmap.h"

struct wl_display;
struct wl_registry;
struct wl_shm;
struct wl_output;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;

namespace snaprill {

class OutputCopier;

class OutputGrabber {
 public:
  // In the order of copiers_.
  enum class Copier { imageCopy, screencopy };

  // Nothing when there is no Wayland display or it has neither protocol. An output
  // whose picture takes longer than `answerTime` to come is given up.
  static std::unique_ptr<OutputGrabber> connect(
      std::chrono::milliseconds answerTime = kCompositorAnswerTime);
  ~OutputGrabber();
  OutputGrabber(const OutputGrabber&) = delete;
  OutputGrabber& operator=(const OutputGrabber&) = delete;

  bool offers(Copier copier) const;

  // Every output, as the user sees them side by side: 32 bpp; empty when the
  // compositor would not copy an output, or has no such copier. With `withCursor`
  // the compositor draws the cursor into the picture.
  Bitmap grabScreen(Copier copier, bool withCursor);
  // The part `area` of the layout, in the compositor's logical units (as a window's
  // rectangle is given): only the outputs it meets are copied. Empty when it meets
  // none or an output would not be copied.
  Bitmap grabArea(Copier copier, const Rect& area, bool withCursor);

  // Called from libwayland's listeners.
  struct Output {
    std::uint32_t name = 0;
    wl_output* output = nullptr;
    zxdg_output_v1* logicalPlace = nullptr;  // its xdg-output, where the compositor has one
    int x = 0;                               // where wl_output places it
    int y = 0;
    int transform = 0;
    int scale = 1;
    Rect logical;  // from xdg-output; empty until it told
  };
  void global(std::uint32_t name, const char* interface, std::uint32_t version);
  void globalRemoved(std::uint32_t name);
  void described(wl_output* output, int x, int y, int transform);
  void scaled(wl_output* output, int scale);
  void logicallyPlaced(zxdg_output_v1* logicalPlace, int x, int y);
  void logicallySized(zxdg_output_v1* logicalPlace, int width, int height);

  explicit OutputGrabber(wl_display* display);

 private:
  bool start();
  void watchLogicalPlace(Output& output);
  Bitmap grab(Copier copier, const std::optional<Rect>& area, bool withCursor);
  OutputCopier& copierOf(Copier copier) const;

  wl_display* display_;
  std::chrono::milliseconds answerTime_ = kCompositorAnswerTime;
  wl_registry* registry_ = nullptr;
  wl_shm* shm_ = nullptr;
  zxdg_output_manager_v1* xdgOutputManager_ = nullptr;
  std::array<std::unique_ptr<OutputCopier>, 2> copiers_;
  std::vector<Output> outputs_;
};

}  // namespace snaprill
