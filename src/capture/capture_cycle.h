// The capture layer: saving a capture (save_capture.h) and its parts, each in a
// file of its own (names, writers, animation, adjustments, overlay picture), the
// capture cycle below, what the window and tray show of it (capture_status.h) and
// what the user is told beyond that (capture_reports.h).
//
// The capture cycle: a small controller from a picture to its report. Its sources
// (the clipboard, the program's own pictures) hold their pictures until it takes
// them, and hand each over as a Capture through submit(); the cycle takes it at
// once (adjusts it, keeps the options it is to be written with) and writes it on
// the platform's background thread, one capture after the other in the order they
// were taken, so that neither the window nor the next capture waits on an encoder.
// Each file takes its number when its write begins, after the capture before it is
// settled, so numbers follow the captures and a failed write gives its number
// back exactly as when every write was done at once. Once written, a capture is
// settled with its source (a clipboard's offer is emptied once its capture is
// saved; a picture that could not be saved stays there, and its number stays
// free), and its observers, then its reporter, hear how it went. The pictures held
// take about two pictures' memory: the one written first, and those waiting behind
// it packed (a screenshot packs to about a tenth of its size, so a burst of captures
// is taken whole while a slow encoder runs), together no more than the first one as
// it was taken. A picture that does not pack (a photo) is taken behind another only
// while nothing else waits. While paused, while that memory is taken, and once no
// file number is left, pictures wait with their sources.
// The main window runs one; snaprill-batch and snaprill --capture call saveCapture
// themselves. Everything but the writing runs on the user-interface thread;
// nothing here shows a box or lets window events through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
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
  // number left, closes, or holds as many pictures as it may (it is then taken once
  // the one being written is done, or at the resume).
  void pictureReady() override;
  // A picture handed over: taken now (observers hear captureTaken), then written,
  // settled with its source and reported once the captures before it are. A
  // capture without a picture, and one whose file could not be written, use up no
  // number and are reported (a lost capture, the disk-full box, the AVI writer's
  // box); their source keeps its picture, which is not taken again by itself. A
  // saved capture whose external program could not be started is reported as a
  // notice.
  void submit(Capture capture) override;
  // An offer given up by its owner: reported while pictures are taken.
  void offerLost(LostReason why) override;

  bool paused() const { return paused_; }
  // Whether the program closes: the captures taken are written, no other is taken.
  bool closing() const { return closing_; }
  // Whether arriving pictures are taken: not paused, and a file number left.
  bool takingPictures() const { return !paused_ && !numbersUsedUp_; }
  // Whether captures (or animation frames) are taken and not yet written.
  bool writing() const { return !jobs_.empty(); }
  // Pauses, or resumes: a picture offered meanwhile is dropped (emptied from the
  // clipboard), unless the user keeps it, and then taken.
  void togglePause();
  // Sets the counter to 0 (the window asks the user first).
  void resetCounter();

  // Start-up once the settings are loaded: the counter shown, a stale offered
  // picture dropped unless the user keeps it, and the temporaries of writers that
  // were killed removed.
  void start();
  // The program closes: no picture is taken any more; the captures taken are
  // written, then the animation frames still waiting, as the animation they were
  // gathered for (a failure is reported as a capture's is); then `written` is
  // called, at once when nothing was left to write.
  void close(std::function<void()> written = {});
  // Writes what is left to write now, on this thread, once the write under way is
  // over: for a program whose event loop has ended.
  void finishWrites();

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
  // A capture, or the animation frames waiting, from the moment it is taken until it
  // is reported: one at a time goes through its steps (save_capture.h), in order.
  struct Job {
    std::uint64_t id = 0;
    // Null for a capture whose picture could not be had.
    std::shared_ptr<PendingCapture> capture;
    LostReason whyNone = LostReason::Damaged;
    CaptureSource source;
    std::function<void(bool)> settle;
    std::size_t pictureSize = 0;  // the picture's bytes as taken, before any packing
    bool showCounter = true;      // waiting frames: the counter shown again afterwards
    bool writing = false;         // its work runs in the background
    bool done = false;            // written (or nothing to write): to be reported
    bool nothingToWrite = false;  // waiting frames that turned out to be none
  };

  // Asks the sources for their pictures while pictures are taken and there is room.
  void takeWaiting();
  static bool holdsPicture(const Job& job);
  bool roomForAPicture() const;
  // Takes the jobs through their steps as far as they go now: reports those done,
  // in order, and begins the first one waiting.
  void advance();
  void begin(Job& job);
  void workDone(std::uint64_t id);
  void end(Job& job);
  void beginNext();
  void report(const SaveOutcome& outcome, const CaptureSource& source);
  void reportWaitingFrames(const SaveOutcome& outcome, bool showCounter);
  // A setting of the animation changed: the frames still waiting are written first.
  void animationSettingChanged();
  // Writes the animation frames still waiting, as the animation they were gathered
  // for, after the captures taken before; with the counter shown again when asked.
  void writeWaitingAnimation(bool showCounter);
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
  bool saving_ = false;  // in a capture's steps on this thread
  bool closing_ = false;
  std::function<void()> closed_;
  std::list<Job> jobs_;  // in the order taken; only the first is begun
  std::uint64_t nextJob_ = 1;
  Counts counts_;
  Options::WatchId picturesWithText_;
  std::vector<Options::WatchId> animationSettings_;
  std::unique_ptr<Timer> memoryReleaseTimer_;
};

}  // namespace snaprill
