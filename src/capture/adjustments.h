// The adjustments of a capture, in their fixed order: cursor, crop, resize,
// overlay picture, text, invert, grayscale. The cursor goes on before cropping; the
// overlay and text coordinates refer to the cropped and resized picture; the colour
// effects change the overlay and text too. Each runs only when its option is on,
// and reads its options at the moment it runs.
#pragma once

#include <string>

#include "capture/overlay_picture.h"
#include "image/bitmap.h"
#include "options/options.h"
#include "platform/platform.h"

namespace snaprill {

class Adjustments {
 public:
  Adjustments(const Options& options, Platform& platform, const OverlayPicture& overlay)
      : options_(options), platform_(platform), overlay_(overlay) {}

  // Every adjustment whose option is on, in order.
  void apply(Bitmap& capture) const;
  bool anyChosen() const;

  // The steps one by one. Crop and resize replace the capture by a new bitmap.
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
