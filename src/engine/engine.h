// The capture engine: the main window's state without its widgets. It owns the
// capture, the counter, the pending animation, the overlay picture and the tray
// record, drives the capture timers, and reads every option from Controls at the
// moment of use. The Qt window and snaprill-batch both drive one of these.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/controls.h"
#include "engine/texts.h"
#include "platform/bitmap.h"
#include "platform/emf_file.h"
#include "platform/program_dir.h"
#include "platform/services.h"

namespace snaprill {

class GIFImage;  // the animation container (codecs/GIFImage.h)

inline constexpr int kMaxImageNumber = 99999;

// The services one engine runs on.
struct Platform {
  Clipboard& clipboard;
  Dialogs& dialogs;
  Tray& tray;
  Clock& clock;
  Launcher& launcher;
  EventPump& events;
  std::function<std::unique_ptr<Timer>()> newTimer;
  ProgramDirectories dirs;
  ReferenceScreen screen;  // the screen metafiles are recorded against
};

class CaptureEngine {
 public:
  CaptureEngine(Controls& controls, Texts& texts, Platform& platform);
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
  void imageTypeChanged();
  std::string Label1;

  // --- state of the main window ---
  Bitmap CaptureImage;
  int ImageCounter = 0;
  std::string LastSavedName;
  bool AutoSaveRestorePending = false;
  // Captures that found no number left (the cycle drops them without a word).
  int droppedCaptures = 0;
  Bitmap OverlayPicture;
  std::unique_ptr<GIFImage> AnimationImage;
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
  // The GIF and AVI branch of the cycle (animation.cpp).
  void writeFrame();
  // Writes pending animation frames as one GIF file, at close (animation.cpp).
  void FlushPendingAnimation();
  // Click of the radio button "Save each image separately" (saveanimation already
  // unchecked): AVI gives way to GIF with a notice (animation.cpp).
  void salvestaeraldiClick();
  // Writes the frames of image as an uncompressed AVI file; false (after an error
  // box) when it could not (avi_output.cpp).
  bool WriteAviFile(GIFImage& image, const std::string& path);
  // Hands a written file to the external program (external_program.cpp).
  void launchExternalProgram(const std::string& path);

  // Settings hooks, set by the settings layer: LoadSettings(file, full), SaveSettings(file).
  std::function<void(const std::string&, bool)> loadSettings;
  std::function<void(const std::string&)> saveSettings;
  std::string mainSettingsFile() const;

  Timer& captureTimer() { return *timer_; }
  Timer& hotKeyTimer() { return *hotKeyTimer_; }
  Timer& pauseBlinkTimer() { return *pausitaimer_; }
  Timer& automationTimer() { return *automationtimer_; }

  Controls& controls;
  Texts& texts;
  Platform& platform;

 private:
  void runTick();
  void writeOutput();
  void notifyView();

  bool tickRunning_ = false;
  bool adjustingSpinRange_ = false;

  std::unique_ptr<Timer> timer_;
  std::unique_ptr<Timer> hotKeyTimer_;
  std::unique_ptr<Timer> pausitaimer_;
  std::unique_ptr<Timer> automationtimer_;
};

}  // namespace snaprill
