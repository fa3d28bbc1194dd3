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
  CaptureCycle(const CaptureCycle&) = delete;
  CaptureCycle& operator=(const CaptureCycle&) = delete;

  // One tick of the capture timer: nothing unless a picture is offered. Errors end
  // the tick and go to handleException, as the window's event loop would send them.
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
  // The program-wide error handler: the disk-full text for a file that could not be
  // created; the clipboard emptied in every case.
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

  // The current capture and what its tick wrote (empty: nothing).
  Bitmap capture;
  std::string lastSavedPath;
  // Set by an auto-save hotkey: the tick that takes its picture loads the main
  // settings again at its end.
  bool autoSaveRestorePending = false;
  // Captures that found no number left (dropped without a word), and captures whose
  // tick ended in an error (the handler may have shown nothing).
  int droppedCaptures = 0;
  int failedCaptures = 0;
  // What ended the last failed tick, as its error says it.
  std::string lastFailure;

  Timer& captureTimer() { return *captureTimer_; }
  Timer& hotkeyTimer() { return *hotkeyTimer_; }
  Timer& pauseBlinkTimer() { return *pauseBlinkTimer_; }
  Timer& automationTimer() { return *automationTimer_; }

  // Set by the settings layer: load(file, full) and save(file); and by the language
  // layer, which a full settings load calls with the language file.
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
  void runTick();
  void watchOptions();
  void overwriteChanged();
  void trayIconAlwaysClicked();

  bool tickRunning_ = false;
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
};

}  // namespace snaprill
