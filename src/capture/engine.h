// The capture engine: the main window's state without its widgets. It owns the
// capture, the counter, the pending animation, the overlay picture and the tray
// record, drives the capture timers, and reads every option from Options at the
// moment of use. The Qt window and snaprill-batch both drive one of these.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "formats/emf/emf_file.h"
#include "image/bitmap.h"
#include "options/options.h"
#include "options/texts.h"
#include "platform/platform.h"
#include "platform/program_dir.h"
#include "platform/services.h"

namespace snaprill {

class GifImage;  // the animation container (codecs/GifImage.h)

inline constexpr int kMaxImageNumber = 99999;

class CaptureEngine {
 public:
  CaptureEngine(Options& options, Texts& texts, Platform& platform);
  ~CaptureEngine();
  CaptureEngine(const CaptureEngine&) = delete;
  CaptureEngine& operator=(const CaptureEngine&) = delete;

  // --- the capture cycle ---
  // One tick: takes an offered bitmap, adjusts it, writes it, updates the display.
  // Errors are reported through handleException and end the tick, as the window's
  // message loop would.
  void TimerTimer();
  void PauseSnaprill1Click();
  void pausitaimerTimer();
  void UpdateCounterDisplay();
  void imagecountto0Click();
  // Runs when the main window closes; never refuses.
  void FormCloseQuery();
  // The program-wide error handler: shows the disk-full text for a file that
  // could not be created, and in every case empties the clipboard.
  void handleException(std::exception_ptr error);
  // Start-up steps that follow the settings load: status text and tray tip, and a
  // stale clipboard bitmap cleared unless `noclipstart` is checked.
  void finishStartup();

  // --- output naming ---
  std::string FormatImageNumber(int number) const;
  std::string BuildOutputName(int number, const std::string& extension) const;
  // Advances ImageCounter to the next free number; nothing when none is left.
  std::optional<std::string> AllocateOutputName(const std::string& extension);
  // The prefix field's change reaction: removes \ / : * ? " < > | and keeps the caret.
  void Edit3Change();
  void overwriteClick();
  // Caret position in the prefix field (the window keeps it in step).
  int prefixCaret = 0;
  // The example label next to the prefix field.
  std::string snp1_jpg;

  // --- the quality scroll bar and output type ---
  void SpinChange();
  // How far a click in the bar's track moves `Spin` for the current type.
  int SpinLargeStep() const;
  void imageTypeChanged();
  std::string Label1;

  // --- state of the main window ---
  Bitmap CaptureImage;
  int ImageCounter = 0;
  std::string LastSavedName;
  bool AutoSaveRestorePending = false;
  // Captures that found no number left (the cycle drops them without a word).
  int droppedCaptures = 0;
  // Captures whose tick ended in an error (the handler may have shown nothing).
  int failedCaptures = 0;
  Bitmap OverlayPicture;
  std::unique_ptr<GifImage> AnimationImage;
  int PendingFrameIndex = -1;
  TrayIconRecord trayRecord;
  bool trayIconPresent = false;

  // What the window shows; viewChanged runs after each of them changes.
  std::string statusText = "0/99999 pictures";
  std::string windowCaption = "Snaprill";
  std::string pauseCaption;  // caption of PauseSnaprill1 and PauseSnaprill2
  bool pausedLabelVisible = false;
  std::function<void()> viewChanged;

  bool running() const;

  // --- steps that live in their own files ---
  // The adjustments in their fixed order (adjustments.cpp).
  void applyAdjustments();
  // Whether any adjustment is switched on (adjustments.cpp).
  bool anyAdjustmentChosen() const;
  // The GIF and AVI branch of the cycle (animation.cpp).
  void writeFrame();
  // Writes pending animation frames as one GIF file, at close (animation.cpp).
  void FlushPendingAnimation();
  // Click of the radio button "Save each image separately" (saveanimation already
  // unchecked): AVI gives way to GIF with a notice (animation.cpp).
  void salvestaeraldiClick();
  // Writes the frames of image as an uncompressed AVI file; false (after an error
  // box) when it could not (avi_output.cpp).
  bool WriteAviFile(GifImage& image, const std::string& path);
  // Hands a written file to the external program (external_program.cpp).
  void launchExternalProgram(const std::string& path);

  // --- the adjustments, each in its own file ---
  void ApplyCursor();
  // Replaces CaptureImage by a width x height bitmap that the source rectangle of
  // the capture is stretched into.
  void CopyAreaToCapture(const Rect& source, int width, int height);
  void ApplyCrop();
  void ApplyResize();
  void ApplyOverlay();
  void ApplyText();
  // The capture text's date and time fields filled in from platform.clock.
  std::string ExpandTextTemplate(const std::string& text) const;
  // The font of the capture text, from its options.
  TextFont textFont() const;

  // --- the overlay picture ---
  // Loads OverlayPicture from a file (the window asks for the path first). A
  // Targa or Windows-bitmap file that cannot be read is ignored; other read errors
  // go to handleException. The overlay stays as it was on every failure.
  void loadimageClick(const std::string& path);
  void Clearimage1Click();
  // Toggles `openimages`, as a click on its caption does.
  void openimagestekstClick();

  // Settings hooks, set by the settings layer: LoadSettings(file, full), SaveSettings(file).
  std::function<void(const std::string&, bool)> loadSettings;
  std::function<void(const std::string&)> saveSettings;
  std::string mainSettingsFile() const;
  // LoadLanguage(file), set by the language layer; the full settings load calls it.
  std::function<void(const std::string&)> loadLanguage;
  // Set by a load that found `Top` or `Left`: the window keeps that place instead
  // of being centred.
  bool windowPositionFromSettings = false;

  // --- option reactions (option_reactions.cpp) ---
  // The captions of the two level scroll bars, "Current: %s" with the level.
  std::string pixlev2;
  std::string blurlev2;
  void levelCaptionsChanged();
  // `ikoon_alati` clicked: adds the tray icon when checked, deletes it otherwise.
  // The full settings load connects it only after it has set the box.
  void ikoon_alatiClick();
  // Set by the full settings load once it has set the box, so that loading it does
  // not add or delete the icon.
  bool trayClicksConnected = false;

  Timer& captureTimer() { return *timer_; }
  Timer& hotKeyTimer() { return *hotKeyTimer_; }
  Timer& pauseBlinkTimer() { return *pausitaimer_; }
  Timer& automationTimer() { return *automationtimer_; }

  Options& options;
  Texts& texts;
  Platform& platform;

 private:
  void runTick();
  // Writes CaptureImage; `arriving` holds back rows still being decoded, which only
  // the JPEG writer can take as they come.
  void writeOutput(const ArrivingRows& arriving);
  void notifyView();

  bool tickRunning_ = false;
  bool adjustingSpinRange_ = false;

  std::unique_ptr<Timer> timer_;
  std::unique_ptr<Timer> hotKeyTimer_;
  std::unique_ptr<Timer> pausitaimer_;
  std::unique_ptr<Timer> automationtimer_;
};

}  // namespace snaprill
