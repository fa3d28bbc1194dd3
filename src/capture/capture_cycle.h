// The capture layer: saving a capture (save_capture.h) and its parts, each in a
// file of its own (names, writers, animation, adjustments, overlay picture), the
// capture cycle below, and what the window and tray show of it (capture_status.h).
//
// The capture cycle: the clipboard tells it when a picture is here; it takes the
// picture, saves the capture, empties the clipboard once the capture is saved (a
// picture that could not be saved stays there, and its number stays free) and tells
// its observers how that went. While paused, while a capture is being written, and
// once no file number is left, it leaves arriving pictures on the clipboard.
// Errors of the program's own actions come to it too (reportError), since they may
// need the same boxes. The main window runs one; snaprill-batch calls saveCapture
// itself. Everything runs on the user-interface thread.
#pragma once

#include <exception>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/callbacks.h"
#include "capture/capture_observer.h"
#include "capture/save_capture.h"
#include "options/options.h"
#include "options/texts.h"
#include "platform/platform.h"

namespace snaprill {

class CaptureCycle : public PictureListener {
 public:
  // Listens to the platform's clipboard from here on; options, texts, state and
  // services outlive the cycle.
  CaptureCycle(Options& options, const Texts& texts, SaveState& state, Platform& services);
  ~CaptureCycle() override;
  CaptureCycle(const CaptureCycle&) = delete;
  CaptureCycle& operator=(const CaptureCycle&) = delete;

  // A picture is here: taken and saved at once, unless the cycle is paused, has no
  // number left or is still writing the capture before (it is then taken once the
  // write is over). An offer that makes no picture, and a capture whose file could
  // not be written, are left on the clipboard, use up no number and are reported
  // (a lost capture, the disk-full box, the AVI writer's box); they are not taken
  // again by themselves. A saved capture whose external program could not be
  // started is reported as a notice.
  void pictureArrived() override;
  // An offer given up by its owner: reported while pictures are taken.
  void offerLost(LostOffer why) override;

  bool paused() const { return paused_; }
  // Whether arriving pictures are taken: not paused, and a file number left.
  bool takingPictures() const { return !paused_ && !numbersUsedUp_; }
  // Whether a capture is being written now (the AVI writer lets events through).
  bool saving() const { return saving_; }
  // Pauses, or resumes: a picture offered meanwhile is emptied from the clipboard,
  // unless the user keeps it, and then taken.
  void togglePause();
  // Asks for confirmation, then sets the counter to 0.
  void resetCounter();

  // Start-up once the settings are loaded: the counter shown, a stale offered
  // picture dropped unless the user keeps it, and the temporaries of writers that
  // were killed removed.
  void start();
  // The program closes: the animation frames still waiting are written, as the
  // animation they were gathered for.
  void close();
  // The program-wide error handler: the disk-full text, with the folder (and the
  // system's reason when it is not a full or read-only disk), for a file that could
  // not be created (while that box is open, further ones are counted in
  // the status text instead); a settings file that could not be written, once per
  // file. The clipboard is left as it is.
  void reportError(std::exception_ptr error);

  // A line for the status bar from one who follows the cycle (the settings' return
  // after an auto-save capture), told to every observer as the cycle's own are.
  void showNotice(const std::string& text);

  // Observers are told in the order they were added; each must be removed before it
  // goes.
  void addObserver(CaptureObserver& observer);
  void removeObserver(CaptureObserver& observer);

  // How many captures came to nothing so far: lost without a box of their own, with
  // no number left, and ended by an error.
  struct Counts {
    int lost = 0;
    int dropped = 0;
    int failed = 0;
  };
  Counts counts() const { return counts_; }

  // The picture buffers a burst of captures keeps go this long after its last
  // capture (one timer, armed only by captures: nothing runs while idle).
  static constexpr int kMemoryReleaseDelay = 3000;  // milliseconds
  // Told when that time has come: sources that keep memory for the next capture of
  // a burst (the screen grabber's shared segment) let it go.
  Callbacks memoryReleased;

 private:
  void takeCapture();
  // A setting of the animation changed: the frames still waiting are written first.
  void animationSettingChanged();
  // Writes the animation frames still waiting, as the animation they were gathered
  // for, with the counter shown again when asked; a failure is reported as a
  // capture's is. Whether there were any.
  bool writeWaitingAnimation(bool showCounter);
  void report(const SaveOutcome& outcome);
  void lost(const LostCapture& capture);
  void showDiskFull(const std::string& file, const std::string& reason);
  void reportSettingsNotSaved(const std::string& file);
  void reportRefusedSize(const SaveOutcome& outcome);
  void armMemoryRelease();
  void releaseMemory();
  template <class Call>
  void tell(Call call);

  Options& options_;
  const Texts& texts_;
  SaveState& state_;
  Platform& services_;
  std::vector<CaptureObserver*> observers_;
  bool paused_ = false;
  bool numbersUsedUp_ = false;
  bool saving_ = false;
  Counts counts_;
  bool diskFullBoxOpen_ = false;
  int diskFullRepeats_ = 0;  // failures while that box was open
  std::set<std::string> settingsFilesReported_;
  std::string refusedSizeShown_;  // the last size refused with a message
  Options::WatchId picturesWithText_;
  std::vector<Options::WatchId> animationSettings_;
  std::unique_ptr<Timer> memoryReleaseTimer_;
};

}  // namespace snaprill
