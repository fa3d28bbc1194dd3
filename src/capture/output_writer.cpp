#include "capture/output_writer.h"

#include "capture/save_capture.h"
#include "io/atomic_file.h"
#include "options/output_types.h"

namespace snaprill {

namespace {

bool animated(const OutputTypeInfo& type, const Options& options) {
  switch (type.frames) {
    case Frames::gifFrames:
      return true;
    case Frames::fullColour:
      return options.checked(Option::saveAnimation);
    case Frames::still:
      break;
  }
  return false;
}

// The depth the type's page chose; an entry outside the list leaves the capture as
// it is.
void convertToChosenDepth(Bitmap& capture, const DepthChoice& depth, const Options& options) {
  const int entry = options.value(depth.chosen);
  if (entry < 0 || static_cast<std::size_t>(entry) >= depth.formats.size()) return;
  const int format = depth.formats[static_cast<std::size_t>(entry)];
  if (format != 0) capture.convertTo(format);
}

}  // namespace

WriteOutcome writeCapture(Bitmap& capture, const Options& options, SaveState& state,
                          const Texts& texts, Platform& services, const ArrivingRows& arriving) {
  const OutputTypeInfo& type = outputTypeInfo(options.value(Option::outputType));
  if (animated(type, options)) {
    return state.animation.addFrame(capture, options, state.names, texts, services);
  }
  if (type.depth) convertToChosenDepth(capture, *type.depth, options);
  const std::optional<std::string> path = state.names.allocate(std::string(type.extension));
  if (!path) return WriteOutcome{{}, true};
  StillSettings settings;
  if (type.quality) settings.quality = options.value(type.quality->stored);
  settings.screen = services.screen;
  settings.arriving = &arriving;
  AtomicFile file(*path);
  type.write(capture, settings, file);
  file.commit();
  return WriteOutcome{*path};
}

}  // namespace snaprill
