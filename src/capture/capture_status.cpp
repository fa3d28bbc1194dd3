#include "capture/capture_status.h"

namespace snaprill {

CaptureStatus::CaptureStatus(CaptureCycle& cycle, Options& options, Texts& texts,
                             const SaveState& state, Platform& services)
    : cycle_(cycle),
      options_(options),
      texts_(texts),
      state_(state),
      tray_(services.tray),
      blinkTimer_(services.newTimer()) {
  blinkTimer_->setInterval(700);
  blinkTimer_->setHandler([this] { blinkPausedNotice(); });
  pauseCaption_ = texts_.get("Tray", "Pause");
  showCounter();
  languageWatch_ = texts_.changed.add([this] { languageChanged(); });
  cycle_.addObserver(*this);
}

CaptureStatus::~CaptureStatus() {
  cycle_.removeObserver(*this);
  if (trayBoxWatch_) options_.unwatch(*trayBoxWatch_);
  texts_.changed.remove(languageWatch_);
}

void CaptureStatus::showCounter() {
  const std::string counter =
      std::to_string(state_.names.counter()) + "/" + std::to_string(kMaxImageNumber);
  statusText_ = replaceIgnoringCase(texts_.get("Main", "Pictures"), "%p", counter);
  std::string tip = "Snaprill - " + statusText_;
  if (paused_) tip += " - " + texts_.get("Main", "Paused");
  tray_.record.setTip(tip);
  tray_.record.icon = paused_ ? TrayIcon::Paused : TrayIcon::Application;
}

void CaptureStatus::refresh() {
  showCounter();
  changed.callAll();
}

void CaptureStatus::counterChanged() {
  if (closing_) return closing();
  showCounter();
  tray_.modify();
  changed.callAll();
}

void CaptureStatus::stateChanged() {
  if (cycle_.paused() == paused_) return;
  paused_ = cycle_.paused();
  pauseCaption_ = texts_.get("Tray", paused_ ? "Resume" : "Pause");
  windowCaption_ = paused_ ? "Snaprill - " + texts_.get("Main", "Paused") : "Snaprill";
  blinkTimer_->setEnabled(paused_);
  if (paused_) {
    tray_.record.setTip(tray_.record.tip() + " - " + texts_.get("Main", "Paused"));
    tray_.record.icon = TrayIcon::Paused;
    tray_.modify();
  } else {
    // The counter follows, and with it the tray's update.
    tray_.record.icon = TrayIcon::Application;
  }
  changed.callAll();
}

void CaptureStatus::captureLost(const LostCapture& lost) {
  const std::string reason = texts_.get("Main", lostReasonKey(lost.reason));
  const std::string text = replaceIgnoringCase(texts_.get("Main", "CaptureLost"), "%s", reason);
  lostNotice_ = {text};
  statusText_ = text;
  changed.callAll();
  lossNoticed.callAll();
}

void CaptureStatus::notice(const std::string& text) {
  statusText_ = text;
  changed.callAll();
}

void CaptureStatus::started() {
  showCounter();
  // The start-up settings set the box; the window adds the icon once they are all
  // in. From here on, checking or unchecking the box adds or removes it.
  if (!trayBoxWatch_) {
    trayBoxWatch_ = options_.watch(Option::trayIconAlways, [this] {
      if (options_.checked(Option::trayIconAlways)) {
        tray_.add();
      } else {
        tray_.remove();
      }
      changed.callAll();
    });
  }
  changed.callAll();
}

void CaptureStatus::blinkPausedNotice() {
  statusText_ = statusText_.empty() ? texts_.get("Main", "SnaprillPaused") : std::string();
  changed.callAll();
}

void CaptureStatus::languageChanged() {
  pauseCaption_ = texts_.get("Tray", paused_ ? "Resume" : "Pause");
  if (paused_) windowCaption_ = "Snaprill - " + texts_.get("Main", "Paused");
  showCounter();
  if (tray_.present()) tray_.modify();
  changed.callAll();
}

void CaptureStatus::closing() {
  closing_ = true;
  if (cycle_.writing()) {
    statusText_ = texts_.get("Main", "SavingCaptures");
    tray_.record.setTip("Snaprill - " + statusText_);
    // The window goes at once: without the icon (the window was shown, and the icon
    // only comes with a hidden one) nothing would say why the program stays.
    if (tray_.present()) {
      tray_.modify();
    } else {
      tray_.add();
    }
    changed.callAll();
    return;
  }
  statusText_ = texts_.get("Main", "SavingSettings");
  changed.callAll();
  tray_.remove();
}

}  // namespace snaprill
