// The window program's reporter: what the user is told beyond the counter, with the
// rules that keep it bearable. The disk-full box names the folder (and the system's
// reason when it is not a full or read-only disk); while it is open, further
// failures are counted in the status line instead. A settings file that could not
// be written gets a box once, later failures a notice. A size refused gets a box
// once for each size asked for. An AVI file not written gets its writer's box. A
// capture saved into the default output folder, or whose external program could not
// be started, is told in the status line. Boxes come from the platform's dialogs,
// notices go to the cycle's observers. It is also the program-wide error handler.
#pragma once

#include <set>
#include <string>

#include "capture/capture_cycle.h"
#include "capture/capture_reporter.h"

namespace snaprill {

class CaptureReports : public CaptureReporter {
 public:
  // Installs itself as the cycle's reporter until it goes; everything given
  // outlives it.
  CaptureReports(CaptureCycle& cycle, Dialogs& dialogs, const Texts& texts);
  ~CaptureReports() override;
  CaptureReports(const CaptureReports&) = delete;
  CaptureReports& operator=(const CaptureReports&) = delete;

  void report(const SaveOutcome& outcome, const CaptureSource& source) override;
  // The disk-full box for a file that could not be created; the settings box for a
  // settings file that could not be written. Anything else is not the user's
  // business here.
  void reportError(std::exception_ptr error) override;
  // A line for the status bar.
  void notice(const std::string& text) { cycle_.showNotice(text); }

  // The counter reset of the Settings page: set to 0 once the user confirms.
  void resetCounterIfConfirmed();

 private:
  void showDiskFull(const std::string& file, const std::string& reason);
  void reportSettingsNotSaved(const std::string& file);
  void reportRefusedSize(const SaveOutcome& outcome);

  CaptureCycle& cycle_;
  Dialogs& dialogs_;
  const Texts& texts_;
  bool diskFullBoxOpen_ = false;
  int diskFullRepeats_ = 0;  // failures while that box was open
  std::set<std::string> settingsFilesReported_;
  std::string refusedSizeShown_;  // the last size refused with a message
};

}  // namespace snaprill
