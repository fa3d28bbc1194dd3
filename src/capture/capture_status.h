// What the window and the tray show of the capture cycle: the status line (the
// counter, the notice of a lost capture, the paused notice blinking), the window
// caption, the caption of the pause item, and the tray icon with its tip. Made new
// from the cycle's reports, in the current language; the window draws it whenever
// `changed` calls it.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "base/callbacks.h"
#include "capture/capture_cycle.h"
#include "capture/tray_icon_state.h"

namespace snaprill {

class CaptureStatus : public CaptureObserver {
 public:
  // Follows the cycle, the texts and the "tray icon always visible" box from here on;
  // all of them outlive it.
  CaptureStatus(CaptureCycle& cycle, Options& options, Texts& texts, const SaveState& state,
                Platform& services);
  ~CaptureStatus() override;
  CaptureStatus(const CaptureStatus&) = delete;
  CaptureStatus& operator=(const CaptureStatus&) = delete;

  const std::string& statusText() const { return statusText_; }
  const std::string& windowCaption() const { return windowCaption_; }
  // The pause or resume item of the File and tray menus.
  const std::string& pauseCaption() const { return pauseCaption_; }
  bool pausedNoticeVisible() const { return paused_; }
  TrayIconState& tray() { return tray_; }
  const TrayIconState& tray() const { return tray_; }

  // The notice of the last capture lost without a box of its own; lossNoticed is
  // told of each.
  struct LostNotice {
    std::string notice;
  };
  const LostNotice& lostNotice() const { return lostNotice_; }

  // The counter shown again from the current texts (the status line and tray tip).
  void refresh();
  // One step of the paused notice's blinking (its timer's handler).
  void blinkPausedNotice();
  Timer& blinkTimer() { return *blinkTimer_; }
  // The program closes: while captures are still being written, the status line and
  // the tray icon's tip say so (the icon shown for it where it was not: the window
  // is gone already), and the counter is not shown again; called again
  // once they are, the status line says the settings are being saved, and the tray
  // icon goes.
  void closing();

  Callbacks changed;
  Callbacks lossNoticed;

  void counterChanged() override;
  void stateChanged() override;
  void captureLost(const LostCapture& lost) override;
  void notice(const std::string& text) override;
  void started() override;

 private:
  void languageChanged();
  void showCounter();

  CaptureCycle& cycle_;
  Options& options_;
  Texts& texts_;
  const SaveState& state_;
  TrayIconState tray_;
  std::unique_ptr<Timer> blinkTimer_;
  std::string statusText_;
  std::string windowCaption_ = "Snaprill";
  std::string pauseCaption_;
  LostNotice lostNotice_;
  // Kept apart from the pause item's caption: a language may give pause and resume
  // the same text.
  bool paused_ = false;
  bool closing_ = false;
  Callbacks::Id languageWatch_ = 0;
  std::optional<Options::WatchId> trayBoxWatch_;  // from the start on
};

}  // namespace snaprill
