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

SaveOutcome saveCapture(Capture capture, const Options& options, const Texts& texts,
                        SaveState& state, Platform& services) {
  SaveOutcome outcome;
  if (capture.rows != nullptr && !savesWhileRowsArrive(options)) {
    // Adjustments and every other writer work on the whole picture.
    capture.rows->complete();
    if (!capture.rows->intact()) {
      outcome.lost = LostReason::Damaged;
      return outcome;
    }
  }
  const ArrivingRows whole;
  const ArrivingRows& arriving = capture.rows != nullptr ? *capture.rows : whole;
  Bitmap& picture = capture.picture;
  const int counterBefore = state.names.counter();
  try {
    const AdjustOutcome refused = Adjustments(options, services, state.overlay).apply(picture);
    outcome.refusedWidth = refused.refusedWidth;
    outcome.refusedHeight = refused.refusedHeight;
    const WriteOutcome written = writeCapture(picture, options, state, texts, services, arriving);
    outcome.path = written.path;
    if (written.noNumberLeft) outcome.lost = LostReason::NoNumberLeft;
    outcome.aviNotWritten = written.aviNotWritten;
    outcome.aviFailure = written.aviFailure;
  } catch (...) {
    // Rows still arriving are written into the capture by their worker: a write that
    // failed before reading them all (a folder that cannot be written) must not let
    // the capture go before they are all there.
    arriving.waitFor(picture.height());
    outcome = failedBy(std::current_exception());
  }
  if (outcome.kept() && !outcome.path.empty()) {
    outcome.absentOutputFolder = state.names.takeAbsentFolderNotice();
  }
  if (!outcome.kept()) {
    // Nothing was written (a failed write leaves nothing behind): the number is
    // free for the next capture, which may succeed where this one failed. With no
    // number left, the counter stays at its end.
    if (outcome.lost != LostReason::NoNumberLeft) state.names.setCounter(counterBefore);
    return outcome;
  }
  if (options.checked(Option::openInExternalProgram) && !outcome.path.empty() &&
      !launchExternalProgram(services.launcher, options, outcome.path)) {
    outcome.programNotStarted = options.text(Option::externalProgram);
  }
  return outcome;
}

}  // namespace snaprill
