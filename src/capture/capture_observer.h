// What the capture cycle tells those who show it or follow it (the status line and
// tray, the hotkeys and the automation, the settings' return after an auto-save
// capture). Every call comes on the user-interface thread, after the cycle's state
// is up to date.
#pragma once

#include <string>

#include "capture/save_capture.h"
#include "platform/capture_source.h"

namespace snaprill {

// A capture that came to nothing without a message box of its own (it used up no
// number).
struct LostCapture {
  LostReason reason;
};

class CaptureObserver {
 public:
  virtual ~CaptureObserver() = default;
  // The counter changed, or is to be shown again (a capture saved or lost, a reset).
  virtual void counterChanged() {}
  // Paused or resumed, or no file number is left: see CaptureCycle::paused() and
  // takingPictures().
  virtual void stateChanged() {}
  // A capture came to nothing without a box of its own.
  virtual void captureLost(const LostCapture& lost) { (void)lost; }
  // A line for the status bar from a report that shows no box this time (a repeated
  // error, an external program that could not be started).
  virtual void notice(const std::string& text) { (void)text; }
  // A capture was taken: its picture is adjusted and the options it is written
  // with are kept, so the options may change from here on. Its file follows later,
  // after the files of the captures taken before it (captureEnded).
  virtual void captureTaken() {}
  // A capture is over, saved or not; also a capture whose picture could not be had.
  // `source` is where it came from. Told in the order the captures were taken.
  virtual void captureEnded(const SaveOutcome& outcome, const CaptureSource& source) {
    (void)outcome;
    (void)source;
  }
  // The program has started, its start-up settings loaded.
  virtual void started() {}
  // A burst of captures is over: memory kept for its next capture (the screen
  // grabber's shared segment) may go.
  virtual void burstEnded() {}
};

}  // namespace snaprill
