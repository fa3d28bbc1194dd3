// The GIF and AVI branch of the capture cycle: every capture becomes a frame of the
// one animation container; frames are written at once ("Save each image
// separately") or gathered until the animation holds ImageCount of them.
#include <algorithm>
#include <cstdint>

#include "capture/engine.h"
#include "formats/gif/gif_image.h"
#include "platform/atomic_file.h"

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

}  // namespace

void CaptureEngine::writeFrame() {
  GifImage& gif = *AnimationImage;
  gif.reductionMode = options.checked(Option::gifGrayscale) ? ReductionMode::Grayscale
                                                            : ReductionMode::SystemColorQuantize;
  gif.ditherKind = DitherKind::FloydSteinberg;
  // The frame is new and has no extensions yet, so converting the capture a second
  // time would give the same frame again.
  PendingFrameIndex = gif.appendFrame(CaptureImage);
  const bool animation = options.checked(Option::saveAnimation);
  if (animation) {
    gif.frameAt(PendingFrameIndex)
        .addAnimationExtensions(frameDelay(options.value(Option::frameDelay)));
    if (PendingFrameIndex < options.value(Option::animationFrameCount) - 1) return;
  }
  PendingFrameIndex = -1;
  // The frames go whatever happens below: an error in the AVI writer must not leave
  // them behind to be mixed into the next animation.
  struct FrameClearer {
    GifImage& image;
    ~FrameClearer() { image.clearFrames(); }
  } clearer{gif};
  const bool asGif = options.value(Option::outputType) == kGif || !animation;
  const std::optional<std::string> path = AllocateOutputName(asGif ? ".gif" : ".avi");
  if (!path) {
    ++droppedCaptures;
  } else if (asGif) {
    saveGif(gif, *path, options.checked(Option::optimizeAnimation));
    LastSavedName = *path;
  } else {
    if (options.checked(Option::optimizeAnimation)) gif.mergeFrames();
    // The file appears only when it was written whole; the external program is
    // not handed a name that holds nothing.
    if (WriteAviFile(gif, *path)) LastSavedName = *path;
  }
}

void CaptureEngine::FlushPendingAnimation() {
  if (PendingFrameIndex < 0) return;
  PendingFrameIndex = -1;
  GifImage& gif = *AnimationImage;
  if (const std::optional<std::string> path = AllocateOutputName(".gif")) {
    saveGif(gif, *path, true);
    LastSavedName = *path;
  }
  gif.clearFrames();
}

void CaptureEngine::salvestaeraldiClick() {
  if (options.value(Option::outputType) != kAvi) return;
  options.setValue(Option::outputType, kGif);
  platform.dialogs.messageBox(texts.get("Error", "AVIError6"));
  imageTypeChanged();
}

}  // namespace snaprill
