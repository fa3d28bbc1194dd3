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
  // Single pictures are GIF files whatever the type: an AVI holds an animation.
  if (pendingFrameIndex_ == 0)
    framesForAvi_ = animation && options.value(Option::outputType) == kAvi;
  if (animation) {
    gif.frameAt(pendingFrameIndex_)
        .addAnimationExtensions(frameDelay(options.value(Option::frameDelay)));
    if (pendingFrameIndex_ < options.value(Option::animationFrameCount) - 1) return {};
  }
  return writeFrames(framesForAvi_, options.checked(Option::optimizeAnimation), names, texts,
                     services);
}

WriteOutcome Animation::writeFrames(bool asAvi, bool merge, OutputNames& names, const Texts& texts,
                                    Platform& services) {
  pendingFrameIndex_ = -1;
  GifImage& gif = frames_;
  // The frames go whatever happens below: an error in the AVI writer must not leave
  // them behind to be mixed into the next animation.
  struct FrameClearer {
    GifImage& image;
    ~FrameClearer() { image.clearFrames(); }
  } clearer{gif};
  std::optional<std::string> path;
  try {
    path = names.allocate(std::string(outputTypeInfo(asAvi ? kAvi : kGif).extension));
  } catch (const FileError&) {
    if (!asAvi) throw;
    // A folder that cannot be made: the AVI writer's box for a file it could not
    // create, as for any AVI failure.
    return aviNotWritten(texts.get("Error", "AVIError1"));
  }
  if (!path) return WriteOutcome{{}, true};
  if (!asAvi) {
    saveGif(gif, *path, merge);
    return WriteOutcome{*path};
  }
  if (merge) gif.mergeFrames();
  // The file appears only when it was written whole; the external program is not
  // handed a name that holds nothing.
  if (std::optional<std::string> failure = writeAviFile(gif, *path, texts, services)) {
    return aviNotWritten(std::move(*failure));
  }
  return WriteOutcome{*path};
}

WriteOutcome Animation::flushPending(const Options& options, OutputNames& names, const Texts& texts,
                                     Platform& services) {
  // WebP frames and GIF or AVI frames may both wait when the type changed
  // mid-animation with nobody writing the first ones then: neither may be lost.
  WriteOutcome outcome = fullColour_.flushPending(names);
  if (pendingFrameIndex_ < 0) return outcome;
  const int counterBefore = names.counter();
  try {
    outcome = writeFrames(framesForAvi_, options.checked(Option::optimizeAnimation), names, texts,
                          services);
  } catch (...) {
    // Nothing was written: the number is free again.
    names.setCounter(counterBefore);
    throw;
  }
  if (outcome.aviNotWritten) names.setCounter(counterBefore);
  return outcome;
}

}  // namespace snaprill
