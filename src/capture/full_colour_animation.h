// The animated WebP branch of "Save N captures as one animation": every capture is
// a frame in full colour (not GIF's 256), encoded as it arrives so that a long
// animation never holds screen-sized bitmaps, and written under the name taken for
// it once the animation holds its set number of frames.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "capture/output_names.h"
#include "formats/webp/webp.h"
#include "image/bitmap.h"
#include "options/options.h"

namespace snaprill {

class FullColourAnimation {
 public:
  // Adds the capture as a frame shown for the GIF page's delay; with a path (this
  // frame finishes the animation, its file's name taken), writes the file there.
  // The frames are gone after a write, whether it succeeded or not, and after a
  // frame that could not be added; failures throw.
  WriteOutcome addFrame(const Bitmap& capture, const Options& options,
                        const std::optional<std::string>& path);
  // Writes the frames waiting as one file; they are gone afterwards. Throws what the
  // writer throws.
  WriteOutcome write(const std::string& path);
  void dropFrames();

  // The index of the last frame waiting for more, or -1 when none waits.
  int pendingFrameIndex() const { return frames_ - 1; }

 private:
  std::unique_ptr<WebpAnimation> encoder_;
  int frames_ = 0;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace snaprill
