#include "capture/save_capture.h"

#include <array>
#include <exception>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "capture/adjustments.h"
#include "capture/external_program.h"
#include "capture/output_writer.h"
#include "io/atomic_file.h"
#include "io/file_error.h"
#include "options/output_types.h"
#include "platform/program_dir.h"

namespace snaprill {

namespace {

// How a failure while saving is told: damaged rows cost nothing; a file that could
// not be made gets the disk-full box; anything else (a picture too large for its
// format, memory) is a capture not written.
SaveOutcome failedBy(std::exception_ptr error) {
  SaveOutcome outcome;
  try {
    std::rethrow_exception(error);
  } catch (const DamagedPictureError&) {
    outcome.lost = LostReason::Damaged;
    return outcome;
  } catch (const FileError& e) {
    outcome.lost =
        e.kind() == FileErrorKind::NotCreated ? LostReason::NotCreated : LostReason::NotWritten;
    outcome.failedFile = e.path();
    outcome.failedBecause = e.reasonBeyondDiskFull();
  } catch (...) {
    outcome.lost = LostReason::NotWritten;
  }
  outcome.failure = messageOf(error);
  return outcome;
}

}  // namespace

std::string diskFullMessage(const Texts& texts, const std::string& file,
                            const std::string& reason) {
  const std::string folder = folderOf(file).empty() ? "." : folderOf(file);
  return texts.get("Error", "DiskFull") + "\n" +
         replaceIgnoringCase(texts.get("Error", "DiskFullFolder"), "%s", folder) +
         (reason.empty() ? std::string() : "\n" + reason);
}

std::string absentFolderMessage(const Texts& texts, const SaveOutcome& outcome) {
  return fillPlaceholders(texts.get("Main", "OutputDirAbsent"),
                          {{"%s", outcome.absentOutputFolder}, {"%d", folderOf(outcome.path)}});
}

std::string refusedSizeMessage(const Texts& texts, const SaveOutcome& outcome) {
  const std::string size =
      std::to_string(outcome.refusedWidth) + " x " + std::to_string(outcome.refusedHeight);
  return replaceIgnoringCase(texts.get("Error", "SizeTooLarge"), "%s", size);
}

std::string programNotStartedMessage(const Texts& texts, const SaveOutcome& outcome) {
  return replaceIgnoringCase(texts.get("Main", "ProgramNotStarted"), "%s",
                             outcome.programNotStarted);
}

void removeLeftoverWrites(const std::string& outputDir, const std::string& configDir) {
  static const std::vector<std::string_view> kOurs = [] {
    std::vector<std::string_view> ours;
    for (const OutputTypeInfo& type : outputTypes()) ours.push_back(type.extension);
    ours.push_back(".ini");  // settings and language files
    ours.push_back(".tmp");  // the overlay picture
    return ours;
  }();
  removeLeftoverTemporaries(outputDir, kOurs);
  if (configDir != outputDir) removeLeftoverTemporaries(configDir, kOurs);
}

bool savesWhileRowsArrive(const Options& options) {
  return outputTypeInfo(options.value(Option::outputType)).takesArrivingRows &&
         !anyAdjustmentChosen(options);
}

PendingCapture takeCapture(Capture capture, const Options& options, SaveState& state,
                           Platform& services) {
  PendingCapture taken;
  taken.options = std::make_shared<const Options>(options.snapshot());
  taken.picture = std::move(capture.picture);
  taken.rows = std::move(capture.rows);
  if (taken.rows != nullptr && !savesWhileRowsArrive(options)) {
    // Adjustments and every other writer work on the whole picture.
    taken.rows->complete();
    if (!taken.rows->intact()) {
      taken.failure = std::make_exception_ptr(DamagedPictureError());
      return taken;
    }
    taken.rows.reset();
  }
  try {
    const AdjustOutcome refused =
        Adjustments(options, services, state.overlay).apply(taken.picture);
    taken.refusedWidth = refused.refusedWidth;
    taken.refusedHeight = refused.refusedHeight;
  } catch (...) {
    taken.failure = std::current_exception();
  }
  return taken;
}

bool packWhileWaiting(PendingCapture& capture) {
  if (capture.rows != nullptr || capture.failure || capture.picture.empty()) return false;
  capture.packed = PackedBitmap::pack(capture.picture, capture.picture.bits().size() / 2);
  if (!capture.packed) return false;
  capture.picture = Bitmap();
  return true;
}

std::size_t pictureBytes(const PendingCapture& capture) {
  return capture.packed ? capture.packed->bytes() : capture.picture.bits().size();
}

PendingCapture waitingAnimationFrames(const Options& options) {
  PendingCapture frames;
  frames.options = std::make_shared<const Options>(options.snapshot());
  frames.waitingFrames = true;
  return frames;
}

void prepareWrite(PendingCapture& capture, SaveState& state, Platform& services) {
  capture.counterBefore = state.names.counter();
  if (!capture.failure) {
    try {
      if (capture.packed) {
        capture.picture = capture.packed->unpack();
        capture.packed.reset();
      }
      capture.work =
          capture.waitingFrames
              ? state.animation.prepareWaitingFrames(*capture.options, state.names)
              : prepareOutput(capture.picture, capture.rows, capture.options, state, services);
    } catch (...) {
      capture.failure = std::current_exception();
    }
  }
  capture.counterTaken = state.names.counter();
}

void runWrite(PendingCapture& capture) noexcept {
  if (!capture.work) return;
  try {
    capture.written = capture.work();
  } catch (...) {
    capture.failure = std::current_exception();
  }
  capture.work = nullptr;
}

SaveOutcome concludeWrite(PendingCapture& capture, const Texts& texts, SaveState& state,
                          Platform& services) {
  SaveOutcome outcome;
  if (capture.failure) {
    outcome = failedBy(capture.failure);
  } else {
    const WriteOutcome& written = capture.written;
    outcome.path = written.path;
    if (written.noNumberLeft) outcome.lost = LostReason::NoNumberLeft;
    outcome.aviNotWritten = written.aviNotWritten;
    if (written.aviNotWritten) outcome.aviFailure = texts.get("Error", written.aviFailure);
    outcome.refusedWidth = capture.refusedWidth;
    outcome.refusedHeight = capture.refusedHeight;
  }
  if (!outcome.kept()) {
    // Nothing was written (a failed write leaves nothing behind): the number is
    // free for the next capture, which may succeed where this one failed, unless
    // the user set the counter meanwhile. With no number left, the counter stays at
    // its end.
    if (outcome.lost != LostReason::NoNumberLeft && state.names.counter() == capture.counterTaken) {
      state.names.setCounter(capture.counterBefore);
    }
    return outcome;
  }
  if (capture.waitingFrames || outcome.path.empty()) return outcome;
  outcome.absentOutputFolder = state.names.takeAbsentFolderNotice();
  const Options& options = *capture.options;
  if (options.checked(Option::openInExternalProgram) &&
      !launchExternalProgram(services.launcher, options, outcome.path)) {
    outcome.programNotStarted = options.text(Option::externalProgram);
  }
  return outcome;
}

SaveOutcome saveCapture(Capture capture, const Options& options, const Texts& texts,
                        SaveState& state, Platform& services) {
  PendingCapture pending = takeCapture(std::move(capture), options, state, services);
  prepareWrite(pending, state, services);
  runWrite(pending);
  return concludeWrite(pending, texts, state, services);
}

}  // namespace snaprill
