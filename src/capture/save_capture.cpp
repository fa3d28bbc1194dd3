#include "capture/save_capture.h"

#include <array>
#include <exception>
#include <string_view>

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

struct ReasonRow {
  LostReason reason;
  const char* key;
};

// One row per reason, in the order of the enum.
constexpr ReasonRow kReasons[] = {
    {LostReason::NotSent, "LostNotSent"},
    {LostReason::OwnerQuit, "LostOwnerQuit"},
    {LostReason::Refused, "LostRefused"},
    {LostReason::TooLarge, "LostTooLarge"},
    {LostReason::Replaced, "LostReplaced"},
    {LostReason::Damaged, "LostDamaged"},
    {LostReason::Unreadable, "LostUnreadable"},
    {LostReason::NoNumberLeft, "LostNoNumber"},
    {LostReason::NotCreated, "LostNotWritten"},
    {LostReason::NotWritten, "LostNotWritten"},
    {LostReason::ScreenNotOffered, "ScreenNotOffered"},
    {LostReason::ScreenRefused, "ScreenRefused"},
    {LostReason::ScreenCancelled, "ScreenCancelled"},
    {LostReason::ScreenTimedOut, "ScreenTimedOut"},
    {LostReason::ScreenUnreadable, "ScreenUnreadable"},
    {LostReason::ScreenBusy, "ScreenBusy"},
};

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

const char* lostReasonKey(LostReason why) {
  for (const ReasonRow& row : kReasons) {
    if (row.reason == why) return row.key;
  }
  return "LostNotWritten";
}

LostReason lostReasonOf(LostOffer why) {
  switch (why) {
    case LostOffer::NotSent:
      return LostReason::NotSent;
    case LostOffer::OwnerQuit:
      return LostReason::OwnerQuit;
    case LostOffer::Refused:
      return LostReason::Refused;
    case LostOffer::TooLarge:
      return LostReason::TooLarge;
    case LostOffer::Replaced:
      return LostReason::Replaced;
    case LostOffer::ScreenNotOffered:
      return LostReason::ScreenNotOffered;
    case LostOffer::ScreenRefused:
      return LostReason::ScreenRefused;
    case LostOffer::ScreenCancelled:
      return LostReason::ScreenCancelled;
    case LostOffer::ScreenTimedOut:
      return LostReason::ScreenTimedOut;
    case LostOffer::ScreenUnreadable:
      return LostReason::ScreenUnreadable;
    case LostOffer::ScreenBusy:
      return LostReason::ScreenBusy;
    case LostOffer::Damaged:
      break;
  }
  return LostReason::Damaged;
}

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
  static constexpr auto kOurs = [] {
    std::array<std::string_view, kOutputTypeCount + 2> ours{};
    for (std::size_t i = 0; i < kOutputTypes.size(); ++i) ours[i] = kOutputTypes[i].extension;
    ours[kOutputTypes.size()] = ".ini";      // settings and language files
    ours[kOutputTypes.size() + 1] = ".tmp";  // the overlay picture
    return ours;
  }();
  removeLeftoverTemporaries(outputDir, kOurs);
  if (configDir != outputDir) removeLeftoverTemporaries(configDir, kOurs);
}

bool savesWhileRowsArrive(const Options& options) {
  return options.value(Option::outputType) == kJpeg && !anyAdjustmentChosen(options);
}

SaveOutcome saveCapture(Bitmap capture, const Options& options, const Texts& texts,
                        SaveState& state, Platform& services, const ArrivingRows* rows) {
  const ArrivingRows whole;
  const ArrivingRows& arriving = rows != nullptr ? *rows : whole;
  const int counterBefore = state.names.counter();
  SaveOutcome outcome;
  try {
    const AdjustOutcome refused = Adjustments(options, services, state.overlay).apply(capture);
    outcome.refusedWidth = refused.refusedWidth;
    outcome.refusedHeight = refused.refusedHeight;
    const WriteOutcome written = writeCapture(capture, options, state, texts, services, arriving);
    outcome.path = written.path;
    if (written.noNumberLeft) outcome.lost = LostReason::NoNumberLeft;
    outcome.aviNotWritten = written.aviNotWritten;
  } catch (...) {
    // Rows still arriving are written into the capture by their worker: a write that
    // failed before reading them all (a folder that cannot be written) must not let
    // the capture go before they are all there.
    arriving.waitFor(capture.height());
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
