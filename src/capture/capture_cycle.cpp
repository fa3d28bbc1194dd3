#include "capture/capture_cycle.h"

#include <algorithm>
#include <functional>

#include "base/free_memory.h"
#include "image/pixel_buffer.h"

namespace snaprill {

CaptureCycle::CaptureCycle(Options& options, const Texts& texts, SaveState& state,
                           Platform& services)
    : options_(options),
      texts_(texts),
      state_(state),
      services_(services),
      memoryReleaseTimer_(services.newTimer()) {
  memoryReleaseTimer_->setInterval(kMemoryReleaseDelay);
  memoryReleaseTimer_->setHandler([this] { releaseMemory(); });
  const auto picturesWithText = [this] {
    services_.clipboard.setTakePicturesWithText(options_.checked(Option::takeImageWithText));
  };
  picturesWithText_ = options_.watch(Option::takeImageWithText, picturesWithText);
  picturesWithText();
  sources_.push_back(&services_.clipboard.pictures());
  services_.clipboard.pictures().setSink(this);
  // Frames gathered under one animation setting are written as that animation
  // before another applies, under the next number: never merged into a file of
  // captures meant otherwise, nor kept waiting (in memory alone) until the exit.
  for (const Option setting :
       {Option::outputType, Option::saveAnimation, Option::animationFrameCount}) {
    animationSettings_.push_back(options_.watch(setting, [this] { animationSettingChanged(); }));
  }
}

CaptureCycle::~CaptureCycle() {
  // The background work uses the state's animation: it ends before the state goes,
  // and no capture taken is lost whatever way the program ends.
  try {
    finishWrites();
  } catch (...) {
  }
  for (PictureSource* source : sources_) source->setSink(nullptr);
  options_.unwatch(picturesWithText_);
  for (const Options::WatchId& watch : animationSettings_) options_.unwatch(watch);
}

void CaptureCycle::addSource(PictureSource& source) {
  // Pictures the user asked the program for go before whatever the clipboard holds.
  sources_.insert(sources_.end() - 1, &source);
  source.setSink(this);
}

void CaptureCycle::removeSource(PictureSource& source) {
  source.setSink(nullptr);
  std::erase(sources_, &source);
}

void CaptureCycle::addObserver(CaptureObserver& observer) {
  observers_.push_back(&observer);
}

void CaptureCycle::removeObserver(CaptureObserver& observer) {
  std::erase(observers_, &observer);
}

template <class Call>
void CaptureCycle::tell(Call call) {
  // An observer may remove itself (or another) while it is told.
  const std::vector<CaptureObserver*> observers = observers_;
  for (CaptureObserver* o : observers) {
    if (std::find(observers_.begin(), observers_.end(), o) != observers_.end()) call(*o);
  }
}

void CaptureCycle::pictureReady() {
  // Asked for again once this capture's steps here are done.
  if (saving_) return;
  if (!takingPictures()) {
    // The grab that made a picture while paused keeps memory too; nothing else
    // would let it go.
    armMemoryRelease();
    return;
  }
  takeWaiting();
}

bool CaptureCycle::holdsPicture(const Job& job) {
  return job.capture != nullptr && !job.capture->waitingFrames;
}

bool CaptureCycle::roomForAPicture() const {
  if (closing_) return false;
  const Job* first = nullptr;
  std::size_t waiting = 0;
  for (const Job& job : jobs_) {
    if (!holdsPicture(job)) continue;
    if (first == nullptr) {
      first = &job;
    } else {
      waiting += pictureBytes(*job.capture);
    }
  }
  return first == nullptr || waiting < first->pictureSize;
}

void CaptureCycle::takeWaiting() {
  // Pictures that became ready while two were held, or during a pause.
  const bool rowsMayArrive = savesWhileRowsArrive(options_);
  while (takingPictures() && roomForAPicture()) {
    const auto handed = std::find_if(sources_.begin(), sources_.end(),
                                     [&](PictureSource* s) { return s->handOver(rowsMayArrive); });
    if (handed == sources_.end()) return;
  }
}

void CaptureCycle::submit(Capture capture) {
  std::function<void(bool)> settle = std::move(capture.settle);
  if (saving_ || !takingPictures() || !roomForAPicture()) {
    // Sources hand pictures over when the cycle asks for them; one pressed on it
    // otherwise is not saved, and stays where it was.
    if (settle) settle(false);
    return;
  }
  // Asked as the picture is taken: by the time its file is closed the user may have
  // moved on to another window.
  if (!capture.source.window.known() && services_.focusedWindow) {
    capture.source.window = services_.focusedWindow();
  }
  Job job;
  job.id = nextJob_++;
  job.source = capture.source;
  job.settle = std::move(settle);
  if (capture.picture.empty()) {
    // Nothing could be made of what was offered: it stays where it was, where the
    // user may still have a use for it, and costs no number.
    job.whyNone = capture.whyNone;
  } else {
    const bool behindAnother = std::any_of(jobs_.begin(), jobs_.end(), holdsPicture);
    saving_ = true;
    job.capture = std::make_shared<PendingCapture>(
        takeCapture(std::move(capture), options_, state_, services_));
    saving_ = false;
    job.pictureSize = job.capture->picture.bits().size();
    // Packed on this thread: a 4K screenshot in under 10 ms, less than taking it.
    if (behindAnother) packWhileWaiting(*job.capture);
  }
  jobs_.push_back(std::move(job));
  tell([](CaptureObserver& o) { o.captureTaken(); });
  advance();
}

void CaptureCycle::advance() {
  while (!jobs_.empty()) {
    Job& first = jobs_.front();
    if (!first.writing && !first.done) begin(first);
    if (!first.done) break;  // written in the background: workDone() comes back here
    Job job = std::move(first);
    jobs_.pop_front();
    end(job);
  }
  if (!closing_) return takeWaiting();
  if (jobs_.empty()) {
    // The close is over: the program ends now.
    closing_ = false;
    if (closed_) std::exchange(closed_, nullptr)();
  }
}

void CaptureCycle::begin(Job& job) {
  if (job.capture == nullptr) {
    job.done = true;
    return;
  }
  saving_ = true;
  prepareWrite(*job.capture, state_, services_);
  saving_ = false;
  // Only the animation's frames may turn out to be none.
  job.nothingToWrite = !job.capture->work && !job.capture->failure;
  BackgroundWork* background = services_.background;
  if (!job.capture->work || background == nullptr) {
    runWrite(*job.capture);
    job.done = true;
    return;
  }
  job.writing = true;
  background->start([capture = job.capture] { runWrite(*capture); },
                    [this, id = job.id] { workDone(id); });
}

void CaptureCycle::workDone(std::uint64_t id) {
  // Once per job: finishWrites() may have told it already.
  if (jobs_.empty() || jobs_.front().id != id || !jobs_.front().writing) return;
  jobs_.front().writing = false;
  jobs_.front().done = true;
  advance();
}

void CaptureCycle::beginNext() {
  // The next write goes on while this one's boxes are open.
  if (!jobs_.empty() && !jobs_.front().writing && !jobs_.front().done) begin(jobs_.front());
}

void CaptureCycle::end(Job& job) {
  if (job.capture == nullptr) {
    beginNext();
    tell([](CaptureObserver& o) { o.counterChanged(); });
    SaveOutcome outcome;
    outcome.lost = job.whyNone;
    lost(LostCapture{*outcome.lost});
    tell([&](CaptureObserver& o) { o.captureEnded(outcome, job.source); });
    if (reporter_ != nullptr) reporter_->report(outcome, job.source);
    armMemoryRelease();
    return;
  }
  PendingCapture& capture = *job.capture;
  const SaveOutcome outcome = concludeWrite(capture, texts_, state_, services_);
  if (capture.waitingFrames) {
    // Both kinds of frames may wait: the others go next, before any capture.
    if (state_.animation.pendingFrameIndex() >= 0) {
      Job more;
      more.id = nextJob_++;
      more.capture = std::make_shared<PendingCapture>(waitingAnimationFrames(*capture.options));
      more.showCounter = job.showCounter;
      jobs_.push_front(std::move(more));
    }
    beginNext();
    if (!job.nothingToWrite) reportWaitingFrames(outcome, job.showCounter);
    return;
  }
  // The picture leaves its source only once it is saved (or dropped, no number
  // being left). One that was not (its rows damaged late, its file not written)
  // stays there as it was, for the user to paste elsewhere, and is not taken again
  // by itself: the next attempt is the next offer. Settled before any box of the
  // report; a newer offer is left alone either way.
  if (job.settle) job.settle(outcome.kept() || outcome.lost == LostReason::NoNumberLeft);
  beginNext();
  report(outcome, job.source);
  armMemoryRelease();
}

void CaptureCycle::report(const SaveOutcome& outcome, const CaptureSource& source) {
  // The observers first: a box of the reporter waits for the user, and whoever
  // follows the capture (snaprill --capture waiting for its outcome, the history,
  // the settings an auto-save key put in place for it) must not wait with it.
  const auto ended = [&] {
    tell([&](CaptureObserver& o) { o.captureEnded(outcome, source); });
    if (reporter_ != nullptr) reporter_->report(outcome, source);
  };
  if (outcome.kept() || outcome.lost == LostReason::NoNumberLeft ||
      outcome.lost == LostReason::Damaged) {
    tell([](CaptureObserver& o) { o.counterChanged(); });
    if (outcome.lost == LostReason::NoNumberLeft) {
      ++counts_.dropped;
      lost(LostCapture{LostReason::NoNumberLeft});
    } else if (outcome.lost) {
      lost(LostCapture{*outcome.lost});
    }
    if (state_.names.counter() == kMaxImageNumber && !numbersUsedUp_) {
      numbersUsedUp_ = true;
      tell([](CaptureObserver& o) { o.stateChanged(); });
    }
    ended();
    return;
  }
  // Writing failed: the picture is still where it was, no longer offered, and its
  // number is free again, so the counter shown stays as it was. The AVI writer's
  // box and the disk-full box speak for themselves.
  ++counts_.failed;
  if (!outcome.aviNotWritten && outcome.lost != LostReason::NotCreated) {
    lost(LostCapture{*outcome.lost});
  }
  ended();
}

void CaptureCycle::lost(const LostCapture& capture) {
  ++counts_.lost;
  tell([&capture](CaptureObserver& o) { o.captureLost(capture); });
}

void CaptureCycle::offerLost(LostReason why) {
  // Paused, or with no number left, the picture would not have been taken anyway.
  if (!takingPictures()) return;
  tell([](CaptureObserver& o) { o.counterChanged(); });
  lost(LostCapture{why});
}

void CaptureCycle::armMemoryRelease() {
  // Nothing looks at a capture after it is saved. The buffers it leaves behind are
  // kept for the next capture of a burst, and go once the burst is over: one shot,
  // restarted by each capture, so an idle program has no timer running.
  memoryReleaseTimer_->setEnabled(false);
  memoryReleaseTimer_->setEnabled(true);
}

void CaptureCycle::releaseMemory() {
  memoryReleaseTimer_->setEnabled(false);
  releaseKeptPixels();
  tell([](CaptureObserver& o) { o.burstEnded(); });
  returnFreeMemoryToSystem();
}

void CaptureCycle::togglePause() {
  if (!paused_) {
    paused_ = true;
    tell([](CaptureObserver& o) { o.stateChanged(); });
    return;
  }
  const bool keep = options_.checked(Option::keepClipboardOnResume);
  if (!keep) {
    for (PictureSource* source : sources_) {
      if (source->holdsPicture()) source->drop();
    }
  }
  paused_ = false;
  // A resume brings back the taking of pictures, even with the counter at its end:
  // the next picture is then dropped again.
  numbersUsedUp_ = false;
  tell([](CaptureObserver& o) { o.stateChanged(); });
  tell([](CaptureObserver& o) { o.counterChanged(); });
  if (keep) takeWaiting();
}

void CaptureCycle::resetCounter() {
  state_.names.setCounter(0);
  tell([](CaptureObserver& o) { o.counterChanged(); });
}

void CaptureCycle::start() {
  tell([](CaptureObserver& o) { o.started(); });
  if (!options_.checked(Option::keepClipboardAtStart)) {
    for (PictureSource* source : sources_) source->dropStartPicture();
  }
  removeLeftoverWrites(options_.text(Option::outputDir), services_.dirs.configDir);
}

void CaptureCycle::close(std::function<void()> written) {
  closing_ = true;
  closed_ = std::move(written);
  // The status line says the settings are being saved; the count is not shown again.
  writeWaitingAnimation(false);
  advance();
}

void CaptureCycle::finishWrites() {
  if (jobs_.empty()) return;
  closing_ = true;
  while (!jobs_.empty()) {
    if (jobs_.front().writing && services_.background != nullptr) {
      services_.background->finishNow();
    } else {
      advance();
    }
  }
}

void CaptureCycle::animationSettingChanged() {
  writeWaitingAnimation(true);
}

void CaptureCycle::writeWaitingAnimation(bool showCounter) {
  // With captures under way, their frames come first; whether any wait then is
  // known at the turn of the frames.
  if (jobs_.empty() && state_.animation.pendingFrameIndex() < 0) return;
  Job job;
  job.id = nextJob_++;
  job.capture = std::make_shared<PendingCapture>(waitingAnimationFrames(options_));
  job.showCounter = showCounter;
  jobs_.push_back(std::move(job));
  advance();
}

void CaptureCycle::reportWaitingFrames(const SaveOutcome& outcome, bool showCounter) {
  if (showCounter) tell([](CaptureObserver& o) { o.counterChanged(); });
  if (outcome.lost == LostReason::NoNumberLeft) {
    lost(LostCapture{LostReason::NoNumberLeft});
  } else if (outcome.aviNotWritten || outcome.lost == LostReason::NotCreated) {
    // The AVI writer's box, or the disk-full box, says why, as for a capture.
    if (reporter_ != nullptr) reporter_->report(outcome, CaptureSource{});
  } else if (outcome.lost) {
    // The frames are gone: told as a capture that could not be written is.
    lost(LostCapture{LostReason::NotWritten});
  }
}

void CaptureCycle::showNotice(const std::string& text) {
  tell([&text](CaptureObserver& o) { o.notice(text); });
}

}  // namespace snaprill
