#include "capture/capture_cycle.h"

#include <algorithm>
#include <exception>
#include <string_view>
#include <typeinfo>

#include "base/errors.h"
#include "base/free_memory.h"
#include "capture/external_program.h"
#include "formats/ini/ini_file.h"
#include "image/pixel_buffer.h"
#include "io/atomic_file.h"
#include "options/language.h"

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
      automationTimer_(p.newTimer()),
      memoryReleaseTimer_(p.newTimer()) {
  captureTimer_->setInterval(1);
  hotkeyTimer_->setInterval(1);
  pauseBlinkTimer_->setInterval(700);
  memoryReleaseTimer_->setInterval(kMemoryReleaseDelay);
  captureTimer_->setHandler([this] { onCaptureTick(); });
  pauseBlinkTimer_->setHandler([this] { blinkPausedNotice(); });
  memoryReleaseTimer_->setHandler([this] { releaseMemory(); });
  captureTimer_->setEnabled(true);
  hotkeyTimer_->setEnabled(true);
  view_.pauseCaption = texts.get("Tray", "Pause");
  options.setText(Option::outputDir, p.dirs.defaultOutput);
  tray_.record.setTip("Snaprill - " + view_.statusText);
  platform.clipboard.offerLost = [this](LostOffer why) { offerLost(why); };
  watchOptions();
  cleanPrefix();
  refreshLevelCaptions();
  languageLoad = [this](const std::string& file) {
    loadLanguage(texts, file, platform.dirs.dataDir);
  };
  languageWatch_ = texts.changed.add([this] { languageChanged(); });
}

CaptureCycle::~CaptureCycle() {
  platform.clipboard.offerLost = nullptr;
  texts.changed.remove(languageWatch_);
}

void CaptureCycle::watchOptions() {
  options.watch(Option::filePrefix, [this] { cleanPrefix(); });
  options.watch(Option::overwriteFiles, [this] { overwriteChanged(); });
  options.watch(Option::pixelizeLevel, [this] { refreshLevelCaptions(); });
  options.watch(Option::blurLevel, [this] { refreshLevelCaptions(); });
  options.watch(Option::trayIconAlways, [this] {
    if (trayClicksConnected) trayIconAlwaysClicked();
  });
  const auto picturesWithText = [this] {
    platform.clipboard.setTakePicturesWithText(options.checked(Option::takeImageWithText));
  };
  options.watch(Option::takeImageWithText, picturesWithText);
  picturesWithText();
}

std::string CaptureCycle::mainSettingsFile() const {
  return platform.dirs.configDir + "snaprill.ini";
}

bool CaptureCycle::running() const {
  return !paused_;
}

void CaptureCycle::onCaptureTick() {
  // Nothing may start a second capture while one is being written: the AVI writer
  // lets window events through, and such a tick would add a frame to the animation
  // being written. The picture stays on the clipboard until then.
  if (tickRunning_ || !platform.clipboard.bitmapReady()) return;
  takeCapture();
  // Nothing looks at a capture after its tick; held on, it would sit beside the
  // next picture while that one is read. The buffers it leaves behind are kept for
  // the next capture of a burst, and go once the burst is over: one shot, restarted
  // by each capture, so an idle program has no timer running.
  capture = Bitmap();
  memoryReleaseTimer_->setEnabled(false);
  memoryReleaseTimer_->setEnabled(true);
}

void CaptureCycle::takeCapture() {
  tickRunning_ = true;
  refused_ = AdjustOutcome{};
  const int counterBefore = names_.counter();
  try {
    runTick();
  } catch (const DamagedPictureError&) {
    tickRunning_ = false;
    captureLost(LostOffer::Damaged);
    restoreAfterAutoSave();
    return;
  } catch (...) {
    tickRunning_ = false;
    ++failedCaptures;
    const std::exception_ptr error = std::current_exception();
    lastFailure = messageOf(error);
    handleException(error);
    // The disk-full box speaks for itself; any other failure would pass unseen.
    if (!showsMessageBox(error)) {
      reportLostCapture(texts.get("Main", capture.empty() ? "LostUnreadable" : "LostNotWritten"),
                        names_.counter() != counterBefore);
    }
    return;
  }
  tickRunning_ = false;
  // After the tick, so that captures go on while the message is open.
  reportRefusedSize();
}

void CaptureCycle::runTick() {
  bool noNumberLeft = false;
  {
    // A picture saved as JPEG without adjustments is written while its lower rows
    // are still being decoded; anything else waits for the whole picture. Leaving
    // this block, however it is left, waits too.
    ArrivingRows arriving;
    const bool streamed = options.value(Option::outputType) == kJpeg && !adjustments_.anyChosen();
    capture = streamed ? platform.clipboard.takeArrivingBitmap(arriving)
                       : platform.clipboard.takeBitmap();
    lastSavedPath.clear();
    if (capture.empty()) {
      // Nothing could be made of what was offered: it stays on the clipboard, where
      // the user may still have a use for it, and costs no number.
      captureLost(platform.clipboard.whyNothingTaken());
      restoreAfterAutoSave();  // the hotkey's capture is over, lost or not
      return;
    }
    // A picture whose rows are still arriving may yet turn out damaged; it leaves
    // the clipboard only once it is whole, so that a damaged offer stays as it was.
    // Emptying it late is safe: a newer offer is not taken back.
    if (!streamed) platform.clipboard.clear();
    refused_ = adjustments_.apply(capture);
    WriteOutcome outcome;
    try {
      outcome = writer_.write(capture, arriving);
    } catch (const DamagedPictureError&) {
      if (streamed) platform.clipboard.leaveDamagedOffer();
      throw;
    } catch (...) {
      if (streamed) platform.clipboard.clear();
      throw;
    }
    if (streamed) platform.clipboard.clear();
    lastSavedPath = outcome.path;
    noNumberLeft = outcome.noNumberLeft;
  }
  updateCounterDisplay();
  tray_.modify();
  if (noNumberLeft) {
    ++droppedCaptures;
    // After the counter, which would otherwise cover the notice at once.
    reportLostCapture(texts.get("Main", "LostNoNumber"), false);
  }
  if (names_.counter() == kMaxImageNumber) {
    hotkeyTimer_->setEnabled(false);
    captureTimer_->setEnabled(false);
  }
  if (options.checked(Option::openInExternalProgram) && !lastSavedPath.empty()) {
    launchExternalProgram(platform.launcher, options, lastSavedPath);
  }
  restoreAfterAutoSave();
}

void CaptureCycle::releaseMemory() {
  memoryReleaseTimer_->setEnabled(false);
  // Also in a tick that lets events through (an AVI being written): it does not
  // use the kept buffers, and its end starts the timer again.
  releaseKeptPixels();
  returnFreeMemoryToSystem();
}

void CaptureCycle::restoreAfterAutoSave() {
  if (!autoSaveRestorePending) return;
  autoSaveRestorePending = false;
  if (settingsLoad) settingsLoad(mainSettingsFile(), false);
}

void CaptureCycle::reportLostCapture(const std::string& reason, bool numberUsedUp) {
  ++lostCaptures;
  std::string notice = replaceIgnoringCase(texts.get("Main", "CaptureLost"), "%s", reason);
  if (numberUsedUp) notice += " " + texts.get("Main", "NumberUsedUp");
  view_.lostCapture = {notice, numberUsedUp};
  view_.statusText = notice;
  view_.changed.callAll();
  view_.captureLost.callAll();
}

namespace {

const char* lostOfferKey(LostOffer why) {
  switch (why) {
    case LostOffer::NotSent:
      return "LostNotSent";
    case LostOffer::OwnerQuit:
      return "LostOwnerQuit";
    case LostOffer::Refused:
      return "LostRefused";
    case LostOffer::TooLarge:
      return "LostTooLarge";
    case LostOffer::Damaged:
      break;
  }
  return "LostDamaged";
}

}  // namespace

void CaptureCycle::captureLost(LostOffer why) {
  updateCounterDisplay();
  tray_.modify();
  reportLostCapture(texts.get("Main", lostOfferKey(why)), false);
}

void CaptureCycle::offerLost(LostOffer why) {
  // Paused, or with no number left, the picture would not have been taken anyway.
  if (!captureTimer_->enabled()) return;
  captureLost(why);
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
    paused_ = true;
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
    paused_ = false;
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
    // An auto-save hotkey's capture that never arrived: its options file's settings
    // are still in place and must not be saved as the user's own.
    if (autoSaveRestorePending && settingsLoad) {
      autoSaveRestorePending = false;
      settingsLoad(mainSettingsFile(), false);
    }
    if (settingsSave) settingsSave(mainSettingsFile());
  } catch (...) {
    handleException(std::current_exception());
  }
}

void CaptureCycle::handleException(std::exception_ptr error) {
  // The clipboard first: a box below lets other events through while it is open,
  // and the capture that failed must not be taken again meanwhile.
  platform.clipboard.clear();
  try {
    std::rethrow_exception(error);
  } catch (const FileError& e) {
    if (e.kind() == FileErrorKind::SettingsNotWritten) reportSettingsNotSaved(e.path());
    // Exactly the file-creation error.
    if (e.kind() == FileErrorKind::NotCreated) showDiskFull(e.path());
  } catch (...) {
  }
}

void CaptureCycle::showDiskFull(const std::string& path) {
  // While the box is open, captures go on failing in the same way (its event loop
  // runs the capture timer): one box, and the status text counts the rest.
  if (diskFullBoxOpen_) {
    ++diskFullRepeats_;
    view_.statusText = replaceIgnoringCase(texts.get("Error", "DiskFullRepeated"), "%n",
                                           std::to_string(diskFullRepeats_));
    view_.changed.callAll();
    return;
  }
  const auto slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string text = texts.get("Error", "DiskFull") + "\n" +
                           replaceIgnoringCase(texts.get("Error", "DiskFullFolder"), "%s", folder);
  struct BoxOpen {
    CaptureCycle& cycle;
    ~BoxOpen() {
      cycle.diskFullBoxOpen_ = false;
      cycle.diskFullRepeats_ = 0;
    }
  } open{*this};
  diskFullBoxOpen_ = true;
  platform.dialogs.errorBox(text);
}

void CaptureCycle::reportSettingsNotSaved(const std::string& file) {
  const std::string text = replaceIgnoringCase(texts.get("Error", "SettingsNotSaved"), "%s", file);
  // Once a box for each file; an auto-save hotkey pressed again and again must not
  // bring it back each time.
  if (!settingsFilesReported_.insert(file).second) {
    view_.statusText = text;
    view_.changed.callAll();
    return;
  }
  platform.dialogs.errorBox(text);
}

void CaptureCycle::reportRefusedSize() {
  if (refused_.refusedWidth == 0) return;
  const std::string size =
      std::to_string(refused_.refusedWidth) + " x " + std::to_string(refused_.refusedHeight);
  refused_ = AdjustOutcome{};
  // Once for each size asked for: the captures go on, unresized.
  if (size == refusedSizeShown_) return;
  refusedSizeShown_ = size;
  platform.dialogs.errorBox(replaceIgnoringCase(texts.get("Error", "SizeTooLarge"), "%s", size));
}

bool CaptureCycle::showsMessageBox(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const FileError& e) {
    return e.kind() == FileErrorKind::SettingsNotWritten || e.kind() == FileErrorKind::NotCreated;
  } catch (...) {
  }
  return false;
}

void CaptureCycle::finishStartup() {
  tray_.record = TrayIconRecord{};
  updateCounterDisplay();
  // A start that paused (the settings ask for it) shows it in the tray too, rather
  // than the running icon and tip until the next pause or capture.
  if (!running()) {
    tray_.record.setTip(tray_.record.tip() + " - " + texts.get("Main", "Paused"));
    tray_.record.icon = TrayIcon::Paused;
  }
  if (!options.checked(Option::keepClipboardAtStart)) platform.clipboard.clearStartPicture();
  // Temporaries of writers that were killed; a writer still at work (another
  // instance) keeps its own.
  static constexpr std::string_view kOurs[] = {".jpg", ".png", ".gif", ".bmp", ".emf", ".tif",
                                               ".avi", ".tga", ".pcx", ".ini", ".tmp"};
  removeLeftoverTemporaries(options.text(Option::outputDir), kOurs);
  if (platform.dirs.configDir != options.text(Option::outputDir))
    removeLeftoverTemporaries(platform.dirs.configDir, kOurs);
}

void CaptureCycle::outputTypeChanged() {
  qualityBar_.outputTypeChanged();
  if (options.value(Option::outputType) == kAvi) options.setChecked(Option::saveAnimation, true);
  view_.typeChanged.callAll();
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
  // Qt breaks lines at a line feed only; a carriage return would show
  // the warning on one line.
  const std::string warning = withLineBreaks(texts.get("Settings", "OverwriteWarning"));
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

void CaptureCycle::languageChanged() {
  view_.pauseCaption = texts.get("Tray", paused_ ? "Resume" : "Pause");
  if (paused_) view_.windowCaption = "Snaprill - " + texts.get("Main", "Paused");
  qualityBar_.languageChanged();
  refreshLevelCaptions();
  updateCounterDisplay();
  if (paused_) tray_.record.setTip(tray_.record.tip() + " - " + texts.get("Main", "Paused"));
  if (tray_.present()) tray_.modify();
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
