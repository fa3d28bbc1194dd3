#include "capture/animation.h"

#include <algorithm>
#include <cstdint>

#include "capture/avi_writer.h"
#include "io/atomic_file.h"
#include "io/file_error.h"
#include "options/output_types.h"

namespace snaprill {

namespace {

// Delays beyond the 16-bit field keep its largest value rather than wrapping.
std::uint16_t frameDelay(int hundredths) {
  return static_cast<std::uint16_t>(std::clamp(hundredths, 0, 0xFFFF));
}

// Writes the animation as a GIF file. Whatever happens, the frames are gone
// afterwards, so a failed write never leaks old frames into the next animation.
void saveGif(GifImage& gif, const std::string& path, bool merge) {
  try {
    if (merge) gif.mergeFrames();
    AtomicFile file(path);
    gif.saveToStream(file);
    file.commit();
  } catch (...) {
    gif.clearFrames();
    throw;
  }
}

WriteOutcome aviNotWritten(std::string failure) {
  WriteOutcome failed;
  failed.aviNotWritten = true;
  failed.aviFailure = std::move(failure);
  return failed;
}

}  // namespace

WriteOutcome Animation::addFrame(const Bitmap& capture, const Options& options, OutputNames& names,
                                 const Texts& texts, Platform& services) {
  if (outputTypeInfo(options.value(Option::outputType)).frames == Frames::fullColour) {
    return fullColour_.addFrame(capture, options, names);
  }
  GifImage& gif = frames_;
  gif.reductionMode = options.checked(Option::gifGrayscale) ? ReductionMode::Grayscale
                                                            : ReductionMode::SystemColorQuantize;
  gif.ditherKind = DitherKind::FloydSteinberg;
  // The frame is new and has no extensions yet, so converting the capture a second
  // time would give the same frame again.
  pendingFrameIndex_ = gif.appendFrame(capture);
  const bool animation = options.checked(Option::saveAnimation);
  if (animation) {
    gif.frameAt(pendingFrameIndex_)
        .addAnimationExtensions(frameDelay(options.value(Option::frameDelay)));
    if (pendingFrameIndex_ < options.value(Option::animationFrameCount) - 1) return {};
  }
  pendingFrameIndex_ = -1;
  // The frames go whatever happens below: an error in the AVI writer must not leave
  // them behind to be mixed into the next animation.
  struct FrameClearer {
    GifImage& image;
    ~FrameClearer() { image.clearFrames(); }
  } clearer{gif};
  const bool asGif = options.value(Option::outputType) == kGif || !animation;
  std::optional<std::string> path;
  try {
    path = names.allocate(std::string(outputTypeInfo(asGif ? kGif : kAvi).extension));
  } catch (const FileError&) {
    if (asGif) throw;
    // A folder that cannot be made: the AVI writer's box for a file it could not
    // create, as for any AVI failure.
    return aviNotWritten(texts.get("Error", "AVIError1"));
  }
  if (!path) return WriteOutcome{{}, true};
  if (asGif) {
    saveGif(gif, *path, options.checked(Option::optimizeAnimation));
    return WriteOutcome{*path};
  }
  if (options.checked(Option::optimizeAnimation)) gif.mergeFrames();
  // The file appears only when it was written whole; the external program is not
  // handed a name that holds nothing.
  if (std::optional<std::string> failure = writeAviFile(gif, *path, texts, services)) {
    return aviNotWritten(std::move(*failure));
  }
  return WriteOutcome{*path};
}

WriteOutcome Animation::flushPending(OutputNames& names) {
  // WebP frames and GIF frames may both wait when the type changed mid-animation:
  // neither may be lost.
  WriteOutcome fullColour = fullColour_.flushPending(names);
  if (pendingFrameIndex_ < 0) return fullColour;
  pendingFrameIndex_ = -1;
  GifImage& gif = frames_;
  WriteOutcome outcome;
  const int counterBefore = names.counter();
  if (const std::optional<std::string> path =
          names.allocate(std::string(outputTypeInfo(kGif).extension))) {
    try {
      saveGif(gif, *path, true);
    } catch (...) {
      // Nothing was written: the number is free again.
      names.setCounter(counterBefore);
      throw;
    }
    outcome.path = *path;
  }
  gif.clearFrames();
  return outcome;
}

}  // namespace snaprill
