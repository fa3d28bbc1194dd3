// The capture layer: the capture cycle and its parts, each in a file of its own
// (names, writers, animation, adjustments, overlay picture, quality bar, tray and
// view state).
//
// The capture cycle: on each tick of its timer, an offered picture is taken from
// the clipboard, adjusted, written in the chosen output type under the next free
// number, counted in the status text and tray tip, and handed to the external
// program. It also pauses and resumes, resets the counter, and flushes what is
// pending when the program closes. The main window and snaprill-batch drive one of
// these; everything runs on the user-interface thread.
#pragma once

#include <exception>
#include <functional>
#include <set>
#include <string>

#include "capture/adjustments.h"
#include "capture/animation.h"
#include "capture/output_names.h"
#include "capture/output_writer.h"
#include "capture/overlay_picture.h"
#include "capture/quality_bar.h"
#include "capture/tray_icon_state.h"
#include "capture/view_state.h"
#include "options/options.h"
#include "options/texts.h"
#include "platform/platform.h"

namespace snaprill {

class CaptureCycle {
 public:
  CaptureCycle(Options& options, Texts& texts, Platform& platform);
  ~CaptureCycle();
  CaptureCycle(const CaptureCycle&) = delete;
  CaptureCycle& operator=(const CaptureCycle&) = delete;

  // One tick of the capture timer: nothing unless a picture is offered and here.
  // Errors end the tick and go to handleException, as the window's event loop would
  // send them. An offer that makes no picture is left on the clipboard and uses up
  // no number; it is reported as a lost capture. Every tick that takes a picture
  // (re)starts the memory release timer.
  void onCaptureTick();
  // Whether a tick is running now (the AVI writer lets events through mid-tick).
  bool tickRunning() const { return tickRunning_; }

  bool running() const;  // not paused
  void togglePause();
  // One step of the paused notice's blinking in the status bar.
  void blinkPausedNotice();
  // The status text and tray tip from the counter.
  void updateCounterDisplay();
  // Asks for confirmation, then sets the counter to 0.
  void resetCounter();
  // The program closes: pending animation frames written, tray icon removed,
  // settings saved. Never refuses.
  void closeQuery();
  // The program-wide error handler: the disk-full text, with the folder, for a file
  // that could not be created (while that box is open, further ones are counted in
  // the status text instead); a settings file that could not be written, once per
  // file; the clipboard emptied in every case.
  void handleException(std::exception_ptr error);
  // Start-up after the settings load: the tray record, the status text, and a stale
  // offered picture dropped unless the user keeps it.
  void finishStartup();

  // Reactions of the window's choices.
  void outputTypeChanged();
  // "Save each image separately" chosen while AVI is the type: AVI needs an
  // animation, so the type becomes GIF, with a notice.
  void chooseSeparateImages();
  // Loads the overlay picture; errors go to handleException.
  void loadOverlayPicture(const std::string& path);
  // The prefix without forbidden characters, its caret kept, its example renewed.
  void cleanPrefix();
  // The pixelize and blur captions from their levels and the current language.
  void refreshLevelCaptions();
  // A language file was applied: every text the cycle made is made again in the new
  // language, each keeping what it said (pause or resume, JPEG quality or PNG
  // level).
  void languageChanged();
  // Tells of a capture lost without a message box of its own (an offer never sent
  // or damaged, a picture not written, no number left): the notice, made from the
  // reason in the user's language and whether its number was used up, goes to the
  // status text and to the window.
  void reportLostCapture(const std::string& reason, bool numberUsedUp);

  // The parts, each usable on its own.
  OutputNames& names() { return names_; }
  const OutputNames& names() const { return names_; }
  Animation& animation() { return animation_; }
  OverlayPicture& overlay() { return overlay_; }
  const OverlayPicture& overlay() const { return overlay_; }
  const Adjustments& adjustments() const { return adjustments_; }
  QualityBar& qualityBar() { return qualityBar_; }
  ViewState& view() { return view_; }
  TrayIconState& tray() { return tray_; }

  // The capture of the running tick (empty between ticks), and what the last tick
  // wrote (empty: nothing).
  Bitmap capture;
  std::string lastSavedPath;
  // Set by an auto-save hotkey: the tick that takes its picture loads the main
  // settings again at its end.
  bool autoSaveRestorePending = false;
  // Captures that found no number left, and captures whose tick ended in an error;
  // those that no message box explained are also reported through reportLostCapture.
  int droppedCaptures = 0;
  int failedCaptures = 0;
  // Captures lost before they could be written: offers never sent or damaged.
  int lostCaptures = 0;
  // What ended the last failed tick, as its error says it.
  std::string lastFailure;

  Timer& captureTimer() { return *captureTimer_; }
  Timer& hotkeyTimer() { return *hotkeyTimer_; }
  Timer& pauseBlinkTimer() { return *pauseBlinkTimer_; }
  Timer& automationTimer() { return *automationTimer_; }
  // A single shot, armed only by captures: kMemoryReleaseDelay after the last
  // capture of a burst, the buffers kept for the next one are freed and the freed
  // memory goes back to the system. Nothing runs while the program is idle.
  Timer& memoryReleaseTimer() { return *memoryReleaseTimer_; }
  static constexpr int kMemoryReleaseDelay = 3000;  // milliseconds

  // Set by the settings layer: load(file, full) and save(file). languageLoad applies
  // a language file (loadLanguage with the shipped files' folder); a full settings
  // load calls it with the language file.
  std::function<void(const std::string&, bool)> settingsLoad;
  std::function<void(const std::string&)> settingsSave;
  std::function<void(const std::string&)> languageLoad;
  std::string mainSettingsFile() const;
  // Set by the full settings load once it has set the tray box, so that loading
  // the box does not add or delete the icon.
  bool trayClicksConnected = false;

  Options& options;
  Texts& texts;
  Platform& platform;

 private:
  // The tick's work and the reports of how it ended.
  void takeCapture();
  void runTick();
  void releaseMemory();
  void watchOptions();
  void overwriteChanged();
  void trayIconAlwaysClicked();
  void offerLost(LostOffer why);
  // Ends a tick whose capture was lost: the counter shown again, then the reason.
  void captureLost(LostOffer why);
  // The main settings back after the capture an auto-save hotkey started.
  void restoreAfterAutoSave();
  void showDiskFull(const std::string& path);
  void reportSettingsNotSaved(const std::string& file);
  void reportRefusedSize();
  // Whether the program-wide handler shows a box for this error.
  static bool showsMessageBox(std::exception_ptr error);

  bool tickRunning_ = false;
  // Kept apart from the pause item's caption: a language may give pause and resume
  // the same text.
  bool paused_ = false;
  Callbacks::Id languageWatch_ = 0;
  bool diskFullBoxOpen_ = false;
  int diskFullRepeats_ = 0;  // failures while that box was open
  std::set<std::string> settingsFilesReported_;
  AdjustOutcome refused_;         // of the running tick
  std::string refusedSizeShown_;  // the last size refused with a message
  ViewState view_;
  OutputNames names_;
  OverlayPicture overlay_;
  Adjustments adjustments_;
  Animation animation_;
  OutputWriter writer_;
  QualityBar qualityBar_;
  TrayIconState tray_;
  std::unique_ptr<Timer> captureTimer_;
  std::unique_ptr<Timer> hotkeyTimer_;
  std::unique_ptr<Timer> pauseBlinkTimer_;
  std::unique_ptr<Timer> automationTimer_;
  std::unique_ptr<Timer> memoryReleaseTimer_;
};

}  // namespace snaprill
