// The animated WebP branch of "Save N captures as one animation": every capture is
// a frame in full colour (not GIF's 256), encoded as it arrives so that a long
// animation never holds screen-sized bitmaps, and written under the next name once
// the animation holds its set number of frames.
#pragma once

#include <memory>

#include "capture/output_names.h"
#include "formats/webp/webp.h"
#include "image/bitmap.h"
#include "options/options.h"

namespace snaprill {

class FullColourAnimation {
 public:
  // Adds the capture as a frame shown for the GIF page's delay, and writes the file
  // when this frame finishes the animation. The frames are gone after a write,
  // whether it succeeded or not; a failed write throws, the name's number then
  // taken here as for GIF (saveCapture gives it back).
  WriteOutcome addFrame(const Bitmap& capture, const Options& options, OutputNames& names);
  // Writes the frames still waiting as one file; nothing when none wait. Throws what
  // the writer throws, the counter then back where it was.
  WriteOutcome flushPending(OutputNames& names);

  // The index of the last frame waiting for more, or -1 when none waits.
  int pendingFrameIndex() const { return frames_ - 1; }

 private:
  WriteOutcome write(OutputNames& names);

  std::unique_ptr<WebpAnimation> encoder_;
  int frames_ = 0;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace snaprill
