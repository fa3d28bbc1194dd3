#include "capture/capture_cycle.h"

#include <algorithm>
#include <exception>
#include <typeinfo>

#include "base/errors.h"
#include "capture/external_program.h"

namespace snaprill {

CaptureCycle::CaptureCycle(Options& o, Texts& t, Platform& p)
    : options(o),
      texts(t),
      platform(p),
      names_(o),
      adjustments_(o, p, overlay_),
      animation_(o, names_, t, p),
      writer_(o, names_, animation_, p.screen),
      qualityBar_(o, t, view_),
      tray_(p.tray),
      captureTimer_(p.newTimer()),
      hotkeyTimer_(p.newTimer()),
      pauseBlinkTimer_(p.newTimer()),
      automationTimer_(p.newTimer()) {
  captureTimer_->setInterval(1);
  hotkeyTimer_->setInterval(1);
  pauseBlinkTimer_->setInterval(700);
  captureTimer_->setHandler([this] { onCaptureTick(); });
  pauseBlinkTimer_->setHandler([this] { blinkPausedNotice(); });
  captureTimer_->setEnabled(true);
  hotkeyTimer_->setEnabled(true);
  view_.pauseCaption = texts.get("Tray", "Pause");
  options.setText(Option::outputDir, p.dirs.defaultOutput);
  tray_.record.setTip("Snaprill - " + view_.statusText);
  watchOptions();
  cleanPrefix();
  refreshLevelCaptions();
}

void CaptureCycle::watchOptions() {
  options.watch(Option::filePrefix, [this] { cleanPrefix(); });
  options.watch(Option::overwriteFiles, [this] { overwriteChanged(); });
  options.watch(Option::pixelizeLevel, [this] { refreshLevelCaptions(); });
  options.watch(Option::blurLevel, [this] { refreshLevelCaptions(); });
  options.watch(Option::trayIconAlways, [this] {
    if (trayClicksConnected) trayIconAlwaysClicked();
  });
}

std::string CaptureCycle::mainSettingsFile() const {
  return platform.dirs.configDir + "snaprill.ini";
}

bool CaptureCycle::running() const {
  return view_.pauseCaption == texts.get("Tray", "Pause");
}

void CaptureCycle::onCaptureTick() {
  // Nothing may start a second capture while one is being written: the AVI writer
  // lets window events through, and such a tick would add a frame to the animation
  // being written. The picture stays on the clipboard until then.
  if (tickRunning_ || !platform.clipboard.hasBitmap()) return;
  tickRunning_ = true;
  try {
    runTick();
  } catch (...) {
    tickRunning_ = false;
    ++failedCaptures;
    lastFailure = messageOf(std::current_exception());
    handleException(std::current_exception());
    return;
  }
  tickRunning_ = false;
}

void CaptureCycle::runTick() {
  {
    // A picture saved as JPEG without adjustments is written while its lower rows
    // are still being decoded; anything else waits for the whole picture. Leaving
    // this block, however it is left, waits too.
    ArrivingRows arriving;
    const bool streamed = options.value(Option::outputType) == kJpeg && !adjustments_.anyChosen();
    capture = streamed ? platform.clipboard.takeArrivingBitmap(arriving)
                       : platform.clipboard.takeBitmap();
    platform.clipboard.clear();
    lastSavedPath.clear();
    adjustments_.apply(capture);
    const WriteOutcome outcome = writer_.write(capture, arriving);
    lastSavedPath = outcome.path;
    if (outcome.noNumberLeft) ++droppedCaptures;
  }
  updateCounterDisplay();
  tray_.modify();
  if (names_.counter() == kMaxImageNumber) {
    hotkeyTimer_->setEnabled(false);
    captureTimer_->setEnabled(false);
  }
  if (options.checked(Option::openInExternalProgram) && !lastSavedPath.empty()) {
    launchExternalProgram(platform.launcher, options, lastSavedPath);
  }
  if (autoSaveRestorePending) {
    autoSaveRestorePending = false;
    if (settingsLoad) settingsLoad(mainSettingsFile(), false);
  }
}

void CaptureCycle::updateCounterDisplay() {
  const std::string counter =
      std::to_string(names_.counter()) + "/" + std::to_string(kMaxImageNumber);
  view_.statusText = replaceIgnoringCase(texts.get("Main", "Pictures"), "%p", counter);
  tray_.record.setTip("Snaprill - " + view_.statusText);
  view_.changed.callAll();
}

void CaptureCycle::togglePause() {
  if (running()) {
    hotkeyTimer_->setEnabled(false);
    captureTimer_->setEnabled(false);
    view_.pauseCaption = texts.get("Tray", "Resume");
    pauseBlinkTimer_->setEnabled(true);
    view_.pausedNoticeVisible = true;
    view_.windowCaption = "Snaprill - " + texts.get("Main", "Paused");
    // The tag remembers whether the automation ran, for the resume.
    automationTimer_->tag = automationTimer_->enabled() ? 200 : 0;
    automationTimer_->setEnabled(false);
    tray_.record.setTip(tray_.record.tip() + " - " + texts.get("Main", "Paused"));
    tray_.record.icon = TrayIcon::Paused;
  } else {
    if (platform.clipboard.hasBitmap() && !options.checked(Option::keepClipboardOnResume)) {
      platform.clipboard.clear();
    }
    hotkeyTimer_->setEnabled(true);
    captureTimer_->setEnabled(true);
    view_.pauseCaption = texts.get("Tray", "Pause");
    pauseBlinkTimer_->setEnabled(false);
    view_.pausedNoticeVisible = false;
    view_.windowCaption = "Snaprill";
    if (automationTimer_->tag == 200) automationTimer_->setEnabled(true);
    automationTimer_->tag = 0;
    tray_.record.icon = TrayIcon::Application;
    updateCounterDisplay();
  }
  tray_.modify();
  view_.changed.callAll();
}

void CaptureCycle::blinkPausedNotice() {
  view_.statusText = view_.statusText.empty() ? texts.get("Main", "SnaprillPaused") : std::string();
  view_.changed.callAll();
}

void CaptureCycle::resetCounter() {
  if (!platform.dialogs.confirm(texts.get("Settings", "ImageCountConfirmation"))) return;
  names_.setCounter(0);
  updateCounterDisplay();
  tray_.modify();
}

void CaptureCycle::closeQuery() {
  view_.statusText = texts.get("Main", "SavingSettings");
  view_.changed.callAll();
  try {
    animation_.flushPending();
  } catch (...) {
    handleException(std::current_exception());
  }
  tray_.remove();
  try {
    if (settingsSave) settingsSave(mainSettingsFile());
  } catch (...) {
    handleException(std::current_exception());
  }
}

void CaptureCycle::handleException(std::exception_ptr error) {
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

void CaptureCycle::finishStartup() {
  tray_.record = TrayIconRecord{};
  updateCounterDisplay();
  if (platform.clipboard.hasBitmap() && !options.checked(Option::keepClipboardAtStart)) {
    platform.clipboard.clear();
  }
}

void CaptureCycle::outputTypeChanged() {
  qualityBar_.outputTypeChanged();
  if (options.value(Option::outputType) == kAvi) options.setChecked(Option::saveAnimation, true);
  view_.changed.callAll();
}

void CaptureCycle::chooseSeparateImages() {
  if (options.value(Option::outputType) != kAvi) return;
  options.setValue(Option::outputType, kGif);
  platform.dialogs.messageBox(texts.get("Error", "AVIError6"));
  outputTypeChanged();
}

void CaptureCycle::loadOverlayPicture(const std::string& path) {
  try {
    overlay_.load(path);
  } catch (...) {
    handleException(std::current_exception());
  }
}

void CaptureCycle::cleanPrefix() {
  const std::string& text = options.text(Option::filePrefix);
  const std::string cleaned = withoutForbiddenCharacters(text);
  const int caret = view_.prefixCaret;
  if (cleaned != text) options.setText(Option::filePrefix, cleaned);  // runs this again
  view_.prefixCaret = std::min(static_cast<int>(cleaned.size()), caret);
  view_.exampleFileName = cleaned + "1.jpg";
}

void CaptureCycle::overwriteChanged() {
  if (!options.checked(Option::overwriteFiles)) return;
  const std::string warning =
      replaceIgnoringCase(texts.get("Settings", "OverwriteWarning"), "\\n", "\r");
  if (!platform.dialogs.confirm(warning)) options.setChecked(Option::overwriteFiles, false);
}

void CaptureCycle::refreshLevelCaptions() {
  const std::string& caption = texts.get("Effects", "Current");
  view_.pixelizeLevelCaption =
      replaceIgnoringCase(caption, "%s", std::to_string(options.value(Option::pixelizeLevel)));
  view_.blurLevelCaption =
      replaceIgnoringCase(caption, "%s", std::to_string(options.value(Option::blurLevel)));
  view_.changed.callAll();
}

void CaptureCycle::trayIconAlwaysClicked() {
  if (options.checked(Option::trayIconAlways)) {
    tray_.add();
  } else {
    tray_.remove();
  }
  view_.changed.callAll();
}

}  // namespace snaprill
