// The capture layer: saving a capture (save_capture.h) and its parts, each in a
// file of its own (names, writers, animation, adjustments, overlay picture), the
// capture cycle below, what the window and tray show of it (capture_status.h) and
// what the user is told beyond that (capture_reports.h).
//
// The capture cycle: a small controller from a picture to its report. Its sources
// (the clipboard, the program's own pictures) hold their pictures until it takes
// them, and hand each over as a Capture through submit(); the cycle saves it,
// settles it with its source (a clipboard's offer is emptied once its capture is
// saved; a picture that could not be saved stays there, and its number stays free),
// and tells its reporter and its observers how it went. While paused, while a capture is being
// written, and once no file number is left, pictures wait with their sources. The
// main window runs one; snaprill-batch and snaprill --capture call saveCapture
// themselves. Everything runs on the user-interface thread; nothing here shows a
// box or lets window events through.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "capture/capture_observer.h"
#include "capture/capture_reporter.h"
#include "capture/save_capture.h"
#include "options/options.h"
#include "options/texts.h"
#include "platform/capture_sink.h"
#include "platform/platform.h"

namespace snaprill {

class CaptureCycle : public CaptureSink {
 public:
  // Takes the platform's clipboard's pictures from here on; options, texts, state and
  // services outlive the cycle.
  CaptureCycle(Options& options, const Texts& texts, SaveState& state, Platform& services);
  ~CaptureCycle() override;
  CaptureCycle(const CaptureCycle&) = delete;
  CaptureCycle& operator=(const CaptureCycle&) = delete;

  // Another source of pictures (the program's own), asked before the clipboard, in
  // the order added; each must be removed before it goes.
  void addSource(PictureSource& source);
  void removeSource(PictureSource& source);
  // The one who tells the user what the counter does not (boxes, notices), or nullptr.
  void setReporter(CaptureReporter* reporter) { reporter_ = reporter; }

  // A source holds a picture: taken at once, unless the cycle is paused, has no
  // number left or is still writing the capture before (it is then taken once the
  // write is over, or at the resume).
  void pictureReady() override;
  // A picture handed over: saved and reported. A capture without a picture, and one
  // whose file could not be written, use up no number and are reported (a lost
  // capture, the disk-full box, the AVI writer's box); their source keeps its
  // picture, which is not taken again by itself. A saved capture whose external
  // program could not be started is reported as a notice.
  void submit(Capture capture) override;
  // An offer given up by its owner: reported while pictures are taken.
  void offerLost(LostReason why) override;

  bool paused() const { return paused_; }
  // Whether arriving pictures are taken: not paused, and a file number left.
  bool takingPictures() const { return !paused_ && !numbersUsedUp_; }
  // Whether a capture is being written now.
  bool saving() const { return saving_; }
  // Pauses, or resumes: a picture offered meanwhile is dropped (emptied from the
  // clipboard), unless the user keeps it, and then taken.
  void togglePause();
  // Sets the counter to 0 (the window asks the user first).
  void resetCounter();

  // Start-up once the settings are loaded: the counter shown, a stale offered
  // picture dropped unless the user keeps it, and the temporaries of writers that
  // were killed removed.
  void start();
  // The program closes: the animation frames still waiting are written, as the
  // animation they were gathered for; a failure is reported as a capture's is.
  void close();

  // A line for the status bar (a report that needs no box, the settings' return after
  // an auto-save capture), told to every observer.
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
  // capture (one timer, armed only by captures: nothing runs while idle); then the
  // observers hear that the burst is over.
  static constexpr int kMemoryReleaseDelay = 3000;  // milliseconds

 private:
  // Asks the sources for their pictures while pictures are taken.
  void takeWaiting();
  void report(const SaveOutcome& outcome, const CaptureSource& source);
  // A setting of the animation changed: the frames still waiting are written first.
  void animationSettingChanged();
  // Writes the animation frames still waiting, as the animation they were gathered
  // for, with the counter shown again when asked; a failure is reported as a
  // capture's is. Whether there were any.
  bool writeWaitingAnimation(bool showCounter);
  void lost(const LostCapture& capture);
  void armMemoryRelease();
  void releaseMemory();
  template <class Call>
  void tell(Call call);

  Options& options_;
  const Texts& texts_;
  SaveState& state_;
  Platform& services_;
  std::vector<PictureSource*> sources_;  // the clipboard's last
  std::vector<CaptureObserver*> observers_;
  CaptureReporter* reporter_ = nullptr;
  bool paused_ = false;
  bool numbersUsedUp_ = false;
  bool saving_ = false;
  Counts counts_;
  Options::WatchId picturesWithText_;
  std::vector<Options::WatchId> animationSettings_;
  std::unique_ptr<Timer> memoryReleaseTimer_;
};

}  // namespace snaprill
