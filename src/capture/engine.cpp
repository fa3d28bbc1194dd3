#include "capture/engine.h"

#include <exception>
#include <typeinfo>

#include "base/errors.h"
#include "formats/gif/gif_image.h"

namespace snaprill {

CaptureEngine::CaptureEngine(Options& c, Texts& t, Platform& p)
    : AnimationImage(std::make_unique<GifImage>()),
      options(c),
      texts(t),
      platform(p),
      timer_(p.newTimer()),
      hotKeyTimer_(p.newTimer()),
      pausitaimer_(p.newTimer()),
      automationtimer_(p.newTimer()) {
  timer_->setInterval(1);
  hotKeyTimer_->setInterval(1);
  pausitaimer_->setInterval(700);
  timer_->setHandler([this] { TimerTimer(); });
  pausitaimer_->setHandler([this] { pausitaimerTimer(); });
  timer_->setEnabled(true);
  hotKeyTimer_->setEnabled(true);
  pauseCaption = texts.get("Tray", "Pause");
  options.setText(Option::outputDir, p.dirs.defaultOutput);
  options.watch(Option::filePrefix, [this] { Edit3Change(); });
  options.watch(Option::qualityBar, [this] { SpinChange(); });
  options.watch(Option::overwriteFiles, [this] { overwriteClick(); });
  options.watch(Option::pixelizeLevel, [this] { levelCaptionsChanged(); });
  options.watch(Option::blurLevel, [this] { levelCaptionsChanged(); });
  options.watch(Option::trayIconAlways, [this] {
    if (trayClicksConnected) ikoon_alatiClick();
  });
  trayRecord.setTip("Snaprill - " + statusText);
  Edit3Change();
  SpinChange();
  levelCaptionsChanged();
}

CaptureEngine::~CaptureEngine() = default;

std::string CaptureEngine::mainSettingsFile() const {
  return platform.dirs.configDir + "snaprill.ini";
}

bool CaptureEngine::running() const {
  return pauseCaption == texts.get("Tray", "Pause");
}

void CaptureEngine::notifyView() {
  if (viewChanged) viewChanged();
}

void CaptureEngine::TimerTimer() {
  // Nothing may start a second capture while one is being written: the AVI writer
  // lets window messages through, and such a tick would add a frame to the
  // animation being written. The bitmap stays on the clipboard until then.
  if (tickRunning_ || !platform.clipboard.hasBitmap()) return;
  tickRunning_ = true;
  try {
    runTick();
  } catch (...) {
    tickRunning_ = false;
    ++failedCaptures;
    handleException(std::current_exception());
    return;
  }
  tickRunning_ = false;
}

void CaptureEngine::runTick() {
  {
    // A picture saved as JPEG without adjustments is written while its lower rows
    // are still being decoded; anything else waits for the whole picture. Leaving
    // this block, however it is left, waits too.
    ArrivingRows arriving;
    const bool streamed = options.value(Option::outputType) == kJpeg && !anyAdjustmentChosen();
    CaptureImage = streamed ? platform.clipboard.takeArrivingBitmap(arriving)
                            : platform.clipboard.takeBitmap();
    platform.clipboard.clear();
    LastSavedName.clear();
    applyAdjustments();
    writeOutput(arriving);
  }
  UpdateCounterDisplay();
  platform.tray.notify(TrayOperation::Modify, trayRecord);
  if (ImageCounter == kMaxImageNumber) {
    hotKeyTimer_->setEnabled(false);
    timer_->setEnabled(false);
  }
  if (options.checked(Option::openInExternalProgram) && !LastSavedName.empty()) {
    launchExternalProgram(LastSavedName);
  }
  if (AutoSaveRestorePending) {
    AutoSaveRestorePending = false;
    if (loadSettings) loadSettings(mainSettingsFile(), false);
  }
}

void CaptureEngine::UpdateCounterDisplay() {
  const std::string counter = std::to_string(ImageCounter) + "/" + std::to_string(kMaxImageNumber);
  statusText = replaceIgnoringCase(texts.get("Main", "Pictures"), "%p", counter);
  trayRecord.setTip("Snaprill - " + statusText);
  notifyView();
}

void CaptureEngine::PauseSnaprill1Click() {
  if (running()) {
    hotKeyTimer_->setEnabled(false);
    timer_->setEnabled(false);
    pauseCaption = texts.get("Tray", "Resume");
    pausitaimer_->setEnabled(true);
    pausedLabelVisible = true;
    windowCaption = "Snaprill - " + texts.get("Main", "Paused");
    automationtimer_->tag = automationtimer_->enabled() ? 200 : 0;
    automationtimer_->setEnabled(false);
    trayRecord.setTip(trayRecord.tip() + " - " + texts.get("Main", "Paused"));
    trayRecord.icon = TrayIcon::Paused;
  } else {
    if (platform.clipboard.hasBitmap() && !options.checked(Option::keepClipboardOnResume)) {
      platform.clipboard.clear();
    }
    hotKeyTimer_->setEnabled(true);
    timer_->setEnabled(true);
    pauseCaption = texts.get("Tray", "Pause");
    pausitaimer_->setEnabled(false);
    pausedLabelVisible = false;
    windowCaption = "Snaprill";
    if (automationtimer_->tag == 200) automationtimer_->setEnabled(true);
    automationtimer_->tag = 0;
    trayRecord.icon = TrayIcon::Application;
    UpdateCounterDisplay();
  }
  platform.tray.notify(TrayOperation::Modify, trayRecord);
  notifyView();
}

void CaptureEngine::pausitaimerTimer() {
  statusText = statusText.empty() ? texts.get("Main", "SnaprillPaused") : std::string();
  notifyView();
}

void CaptureEngine::imagecountto0Click() {
  if (!platform.dialogs.confirm(texts.get("Settings", "ImageCountConfirmation"))) return;
  ImageCounter = 0;
  UpdateCounterDisplay();
  platform.tray.notify(TrayOperation::Modify, trayRecord);
}

void CaptureEngine::FormCloseQuery() {
  statusText = texts.get("Main", "SavingSettings");
  notifyView();
  try {
    if (PendingFrameIndex >= 0) FlushPendingAnimation();
  } catch (...) {
    handleException(std::current_exception());
  }
  platform.tray.notify(TrayOperation::Delete, trayRecord);
  trayIconPresent = false;
  try {
    if (saveSettings) saveSettings(mainSettingsFile());
  } catch (...) {
    handleException(std::current_exception());
  }
}

void CaptureEngine::handleException(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    // Exactly the file-creation error, as the handler has always matched it.
    if (typeid(e) == typeid(FileCreateError)) {
      platform.dialogs.errorBox(texts.get("Error", "DiskFull"));
    }
  } catch (...) {
  }
  platform.clipboard.clear();
}

void CaptureEngine::finishStartup() {
  trayRecord = TrayIconRecord{};
  UpdateCounterDisplay();
  if (platform.clipboard.hasBitmap() && !options.checked(Option::keepClipboardAtStart)) {
    platform.clipboard.clear();
  }
}

}  // namespace snaprill
