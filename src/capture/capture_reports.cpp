#include "capture/capture_reports.h"

#include "io/file_error.h"

namespace snaprill {

CaptureReports::CaptureReports(CaptureCycle& cycle, Dialogs& dialogs, const Texts& texts)
    : cycle_(cycle), dialogs_(dialogs), texts_(texts) {
  cycle_.setReporter(this);
}

CaptureReports::~CaptureReports() {
  cycle_.setReporter(nullptr);
}

void CaptureReports::report(const SaveOutcome& outcome, const CaptureSource&) {
  if (outcome.aviNotWritten) return dialogs_.errorBox(outcome.aviFailure);
  if (outcome.lost == LostReason::NotCreated) {
    return showDiskFull(outcome.failedFile, outcome.failedBecause);
  }
  // Once, where the counter would say nothing of where the file went.
  if (!outcome.absentOutputFolder.empty()) notice(absentFolderMessage(texts_, outcome));
  // Once for this capture, after the counter it would otherwise replace.
  if (!outcome.programNotStarted.empty()) notice(programNotStartedMessage(texts_, outcome));
  // Last: the captures go on while the message is open.
  reportRefusedSize(outcome);
}

void CaptureReports::reportError(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const FileError& e) {
    if (e.kind() == FileErrorKind::SettingsNotWritten) reportSettingsNotSaved(e.path());
    if (e.kind() == FileErrorKind::NotCreated) showDiskFull(e.path(), e.reasonBeyondDiskFull());
  } catch (...) {
  }
}

void CaptureReports::resetCounterIfConfirmed() {
  if (dialogs_.confirm(texts_.get("Settings", "ImageCountConfirmation"))) cycle_.resetCounter();
}

void CaptureReports::showDiskFull(const std::string& file, const std::string& reason) {
  // While the box is open, captures go on failing in the same way (its event loop
  // lets pictures arrive): one box, and the status text counts the rest.
  if (diskFullBoxOpen_) {
    ++diskFullRepeats_;
    notice(replaceIgnoringCase(texts_.get("Error", "DiskFullRepeated"), "%n",
                               std::to_string(diskFullRepeats_)));
    return;
  }
  struct BoxOpen {
    CaptureReports& reports;
    ~BoxOpen() {
      reports.diskFullBoxOpen_ = false;
      reports.diskFullRepeats_ = 0;
    }
  } open{*this};
  diskFullBoxOpen_ = true;
  dialogs_.errorBox(diskFullMessage(texts_, file, reason));
}

void CaptureReports::reportSettingsNotSaved(const std::string& file) {
  const std::string text = replaceIgnoringCase(texts_.get("Error", "SettingsNotSaved"), "%s", file);
  // Once a box for each file; an auto-save hotkey pressed again and again must not
  // bring it back each time.
  if (!settingsFilesReported_.insert(file).second) return notice(text);
  dialogs_.errorBox(text);
}

void CaptureReports::reportRefusedSize(const SaveOutcome& outcome) {
  if (outcome.refusedWidth == 0) return;
  const std::string text = refusedSizeMessage(texts_, outcome);
  // Once for each size asked for: the captures go on, unresized.
  if (text == refusedSizeShown_) return;
  refusedSizeShown_ = text;
  dialogs_.errorBox(text);
}

}  // namespace snaprill
