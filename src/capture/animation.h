// The GIF, AVI and animated WebP branch of the capture cycle: every capture becomes
// a frame of one animation; frames are written at once ("Save each image
// separately") or gathered until the animation holds its set number of frames, then
// written as one GIF, AVI or (full colour) WebP file.
#pragma once

#include <algorithm>
#include <optional>
#include <string>

#include "capture/full_colour_animation.h"
#include "capture/output_names.h"
#include "formats/gif/gif_image.h"
#include "image/bitmap.h"
#include "options/options.h"
#include "options/texts.h"
#include "platform/platform.h"

namespace snaprill {

class Animation {
 public:
  // Adds the capture as a frame and writes the file, under the next name, when this
  // frame finishes one. The frames are gone after a write, whether it succeeded or
  // not. A failed AVI write gives no path but aviNotWritten, with the
  // text of its box; a failed GIF write throws. Either way the name's number stays
  // taken here (saveCapture gives it back).
  WriteOutcome addFrame(const Bitmap& capture, const Options& options, OutputNames& names,
                        const Texts& texts, Platform& services);
  // Writes the frames still waiting as one GIF file, and WebP frames as one WebP file
  // (at close, whatever the output type); nothing when none wait. The outcome is the
  // GIF's when both waited. Throws what the GIF writer throws,
  // the counter then back where it was.
  WriteOutcome flushPending(OutputNames& names);

  // The index of the last frame waiting for more, or -1 when none waits.
  int pendingFrameIndex() const {
    return std::max(pendingFrameIndex_, fullColour_.pendingFrameIndex());
  }
  const GifImage& frames() const { return frames_; }

 private:
  GifImage frames_;
  int pendingFrameIndex_ = -1;
  FullColourAnimation fullColour_;
};

}  // namespace snaprill
