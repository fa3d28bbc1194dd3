// The adjustments of a capture, in their fixed order: cursor, crop, resize,
// overlay picture, text, invert, grayscale. The cursor goes on before cropping; the
// overlay and text coordinates refer to the cropped and resized picture; the colour
// effects change the overlay and text too. Each runs only when its option is on,
// and reads its options at the moment it runs.
#pragma once

#include <cstddef>
#include <string>

#include "capture/overlay_picture.h"
#include "image/bitmap.h"
#include "options/options.h"
#include "platform/platform.h"

namespace snaprill {

// The most memory a cropped or resized capture may take: a quarter of a gigapixel,
// far above any screen, and below what the encoders after it can still work with.
inline constexpr std::size_t kMaxAdjustedBytes = std::size_t{1} << 30;

// What the adjustments of one capture could not do.
struct AdjustOutcome {
  // The size a crop or resize asked for that cannot be made; that step was left
  // out and the capture kept its size. 0 x 0 when there was none.
  int refusedWidth = 0;
  int refusedHeight = 0;
};

// Whether any adjustment is switched on.
bool anyAdjustmentChosen(const Options& options);

class Adjustments {
 public:
  Adjustments(const Options& options, Platform& platform, const OverlayPicture& overlay)
      : options_(options), platform_(platform), overlay_(overlay) {}

  // Every adjustment whose option is on, in order. A step that asks for a bitmap
  // too large to make (a crop or resize beyond kMaxAdjustedBytes) is left out rather
  // than costing the capture.
  AdjustOutcome apply(Bitmap& capture) const;

  // The steps one by one. Crop and resize replace the capture by a new bitmap, and
  // throw BitmapError (TooLarge, with the size asked for), leaving it as it was, when
  // that would take more than kMaxAdjustedBytes.
  // Without a cursor source or a text renderer on the platform, the cursor and the
  // text draw nothing.
  void addCursor(Bitmap& capture) const;
  void crop(Bitmap& capture) const;
  void resize(Bitmap& capture) const;
  void addOverlay(Bitmap& capture) const;
  void addText(Bitmap& capture) const;

  // The capture text with its date and time fields filled in from the clock.
  std::string expandTextTemplate(const std::string& text) const;
  // The font of the capture text, from its options.
  TextFont textFont() const;

 private:
  const Options& options_;
  Platform& platform_;
  const OverlayPicture& overlay_;
};

}  // namespace snaprill
