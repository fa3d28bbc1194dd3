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

WriteWork Animation::prepareFrame(Bitmap capture, std::shared_ptr<const Options> options,
                                  OutputNames& names) {
  const Options& o = *options;
  const bool fullColour = outputTypeInfo(o.value(Option::outputType)).frames == Frames::fullColour;
  const bool animation = fullColour || o.checked(Option::saveAnimation);
  const int index = (fullColour ? fullColour_.pendingFrameIndex() : pendingFrameIndex_) + 1;
  // Single pictures are GIF files whatever the type: an AVI holds an animation.
  if (!fullColour && index == 0) framesForAvi_ = animation && o.value(Option::outputType) == kAvi;
  const auto frame = std::make_shared<const Bitmap>(std::move(capture));
  auto add = [this, frame, options, fullColour](const std::optional<std::string>& path) {
    return fullColour ? fullColour_.addFrame(*frame, *options, path)
                      : addGifFrame(*frame, *options, path);
  };
  if (animation && index < o.value(Option::animationFrameCount) - 1) {
    return [add] { return add(std::nullopt); };
  }
  return named(fullColour, o, names, [add](const std::string& path) { return add(path); });
}

WriteWork Animation::prepareWaitingFrames(const Options& options, OutputNames& names) {
  // WebP frames and GIF or AVI frames may both wait when the type changed
  // mid-animation with nobody writing the first ones then: neither may be lost.
  if (fullColour_.pendingFrameIndex() >= 0) {
    return named(true, options, names,
                 [this](const std::string& path) { return fullColour_.write(path); });
  }
  if (pendingFrameIndex_ < 0) return nullptr;
  return named(false, options, names,
               [this, asAvi = framesForAvi_, merge = options.checked(Option::optimizeAnimation)](
                   const std::string& path) { return writeFrames(asAvi, merge, path); });
}

WriteOutcome Animation::flushPending(const Options& options, OutputNames& names,
                                     const Texts& texts) {
  WriteOutcome outcome;
  while (pendingFrameIndex() >= 0) {
    const int counterBefore = names.counter();
    try {
      outcome = prepareWaitingFrames(options, names)();
    } catch (...) {
      // Nothing was written: the number is free again.
      names.setCounter(counterBefore);
      throw;
    }
    if (outcome.aviNotWritten) {
      names.setCounter(counterBefore);
      outcome.aviFailure = texts.get("Error", outcome.aviFailure);
    }
  }
  return outcome;
}

WriteWork Animation::named(bool fullColour, const Options& options, OutputNames& names,
                           std::function<WriteOutcome(const std::string& path)> write) {
  const bool asAvi = !fullColour && framesForAvi_;
  std::optional<std::string> path;
  try {
    const OutputType type = fullColour ? kWebp : asAvi ? kAvi : kGif;
    path = names.allocate(std::string(outputTypeInfo(type).extension), options);
  } catch (const FileError&) {
    // The frames go whatever happens: a failure must not leave them behind to be
    // mixed into the next animation.
    dropFrames(fullColour);
    // A folder that cannot be made: the AVI writer's box for a file it could not
    // create, as for any AVI failure.
    if (asAvi) return [] { return aviNotWritten("AVIError1"); };
    throw;
  }
  if (!path) {
    dropFrames(fullColour);
    return [] { return WriteOutcome{{}, true}; };
  }
  return [write = std::move(write), path = *path] { return write(path); };
}

void Animation::dropFrames(bool fullColour) {
  if (fullColour) return fullColour_.dropFrames();
  pendingFrameIndex_ = -1;
  frames_.clearFrames();
}

WriteOutcome Animation::addGifFrame(const Bitmap& capture, const Options& options,
                                    const std::optional<std::string>& path) {
  GifImage& gif = frames_;
  gif.reductionMode = options.checked(Option::gifGrayscale) ? ReductionMode::Grayscale
                                                            : ReductionMode::SystemColorQuantize;
  gif.ditherKind = DitherKind::FloydSteinberg;
  // The frame is new and has no extensions yet, so converting the capture a second
  // time would give the same frame again.
  pendingFrameIndex_ = gif.appendFrame(capture);
  if (options.checked(Option::saveAnimation)) {
    gif.frameAt(pendingFrameIndex_)
        .addAnimationExtensions(frameDelay(options.value(Option::frameDelay)));
  }
  if (!path) return {};
  return writeFrames(framesForAvi_, options.checked(Option::optimizeAnimation), *path);
}

WriteOutcome Animation::writeFrames(bool asAvi, bool merge, const std::string& path) {
  pendingFrameIndex_ = -1;
  GifImage& gif = frames_;
  // The frames go whatever happens below: an error in the AVI writer must not leave
  // them behind to be mixed into the next animation.
  struct FrameClearer {
    GifImage& image;
    ~FrameClearer() { image.clearFrames(); }
  } clearer{gif};
  if (!asAvi) {
    saveGif(gif, path, merge);
    return WriteOutcome{path};
  }
  if (merge) gif.mergeFrames();
  // The file appears only when it was written whole; the external program is not
  // handed a name that holds nothing.
  if (std::optional<std::string> failure = writeAviFile(gif, path)) {
    return aviNotWritten(std::move(*failure));
  }
  return WriteOutcome{path};
}

}  // namespace snaprill
