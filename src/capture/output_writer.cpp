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

// The pixel format the type's page chose, 0 to leave the capture as it is (an
// entry outside the list included).
int chosenFormat(const OutputTypeInfo& type, const Options& options) {
  if (!type.depth) return 0;
  const int entry = options.value(type.depth->chosen);
  if (entry < 0 || static_cast<std::size_t>(entry) >= type.depth->formats.size()) return 0;
  return type.depth->formats[static_cast<std::size_t>(entry)];
}

// What a still file's work owns. The rows are declared after the picture, so that
// they go first and wait for the decoder that writes into it.
struct StillCapture {
  Bitmap picture;
  std::unique_ptr<ArrivingRows> rows;
};

}  // namespace

WriteWork prepareOutput(Bitmap& capture, std::unique_ptr<ArrivingRows>& rows,
                        const std::shared_ptr<const Options>& options, SaveState& state,
                        Platform& services) {
  const OutputTypeInfo& type = outputTypeInfo(options->value(Option::outputType));
  if (animated(type, *options)) {
    return state.animation.prepareFrame(std::move(capture), options, state.names);
  }
  const std::optional<std::string> path =
      state.names.allocate(std::string(type.extension), *options);
  if (!path) return [] { return WriteOutcome{{}, true}; };
  StillSettings settings;
  if (type.quality) settings.quality = options->value(type.quality->stored);
  if (services.screen != nullptr) settings.screen = services.screen->current();
  const auto still =
      std::make_shared<StillCapture>(StillCapture{std::move(capture), std::move(rows)});
  return [still, settings, path = *path, format = chosenFormat(type, *options),
          write = type.write]() mutable {
    if (format != 0) still->picture.convertTo(format);
    settings.arriving = still->rows.get();
    AtomicFile file(path);
    write(still->picture, settings, file);
    file.commit();
    return WriteOutcome{path};
  };
}

}  // namespace snaprill
