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
  // Writes the frames still waiting under the next name as the animation they were
  // gathered for, whatever the settings say now: a GIF, an AVI or a WebP of fewer
  // frames (both, WebP first, when both wait); nothing when none wait. The outcome
  // is the last file's. Throws what the GIF and WebP writers throw; a failed
  // AVI write shows its box and gives aviNotWritten. A file not written leaves the
  // counter where it was.
  WriteOutcome flushPending(const Options& options, OutputNames& names, const Texts& texts,
                            Platform& services);

  // The index of the last frame waiting for more, or -1 when none waits.
  int pendingFrameIndex() const {
    return std::max(pendingFrameIndex_, fullColour_.pendingFrameIndex());
  }
  const GifImage& frames() const { return frames_; }

 private:
  // Writes the gathered frames as one GIF or AVI file under the next name; the
  // frames are gone afterwards.
  WriteOutcome writeFrames(bool asAvi, bool merge, OutputNames& names, const Texts& texts,
                           Platform& services);

  GifImage frames_;
  int pendingFrameIndex_ = -1;
  bool framesForAvi_ = false;  // the waiting frames are to be an AVI file
  FullColourAnimation fullColour_;
};

}  // namespace snaprill
