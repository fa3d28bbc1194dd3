#include "capture/capture_cycle.h"

#include <algorithm>
#include <functional>

#include "base/free_memory.h"
#include "image/pixel_buffer.h"
#include "io/file_error.h"

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
  // One capture at a time: a picture that becomes ready while one is written waits
  // with its source until the write is over.
  if (saving_) return;
  if (!takingPictures()) {
    // The grab that made a picture while paused keeps memory too; nothing else
    // would let it go.
    armMemoryRelease();
    return;
  }
  takeWaiting();
}

void CaptureCycle::takeWaiting() {
  // Pictures that became ready while one was written, or during a pause.
  const bool rowsMayArrive = savesWhileRowsArrive(options_);
  while (takingPictures()) {
    const auto handed = std::find_if(sources_.begin(), sources_.end(),
                                     [&](PictureSource* s) { return s->handOver(rowsMayArrive); });
    if (handed == sources_.end()) return;
  }
}

void CaptureCycle::submit(Capture capture) {
  const std::function<void(bool)> settle = std::move(capture.settle);
  if (saving_ || !takingPictures()) {
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
  const CaptureSource source = capture.source;
  if (capture.picture.empty()) {
    // Nothing could be made of what was offered: it stays where it was, where the
    // user may still have a use for it, and costs no number.
    tell([](CaptureObserver& o) { o.counterChanged(); });
    SaveOutcome outcome;
    outcome.lost = capture.whyNone;
    lost(LostCapture{*outcome.lost});
    if (reporter_ != nullptr) reporter_->report(outcome, source);
    tell([&](CaptureObserver& o) { o.captureEnded(outcome, source); });
    armMemoryRelease();
    return;
  }
  saving_ = true;
  const SaveOutcome outcome = saveCapture(std::move(capture), options_, texts_, state_, services_);
  // The picture leaves its source only once it is saved (or dropped, no number
  // being left). One that was not (its rows damaged late, its file not written)
  // stays there as it was, for the user to paste elsewhere, and is not taken again
  // by itself: the next attempt is the next offer. Settled before any box of the
  // report; a newer offer is left alone either way.
  if (settle) settle(outcome.kept() || outcome.lost == LostReason::NoNumberLeft);
  saving_ = false;
  report(outcome, source);
  armMemoryRelease();
}

void CaptureCycle::report(const SaveOutcome& outcome, const CaptureSource& source) {
  const auto ended = [&] {
    if (reporter_ != nullptr) reporter_->report(outcome, source);
    tell([&](CaptureObserver& o) { o.captureEnded(outcome, source); });
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

void CaptureCycle::close() {
  // The status line says the settings are being saved; the count is not shown again.
  writeWaitingAnimation(false);
}

void CaptureCycle::animationSettingChanged() {
  writeWaitingAnimation(true);
}

bool CaptureCycle::writeWaitingAnimation(bool showCounter) {
  // A capture being written finishes with its own frames first.
  if (saving_ || state_.animation.pendingFrameIndex() < 0) return false;
  saving_ = true;
  std::exception_ptr failure;
  WriteOutcome written;
  try {
    written = state_.animation.flushPending(options_, state_.names, texts_, services_);
  } catch (...) {
    failure = std::current_exception();
  }
  saving_ = false;
  if (showCounter) tell([](CaptureObserver& o) { o.counterChanged(); });
  if (written.noNumberLeft) lost(LostCapture{LostReason::NoNumberLeft});
  if (written.aviNotWritten) {
    // The AVI writer's box says why, as for a capture that completed the AVI.
    SaveOutcome outcome;
    outcome.aviNotWritten = true;
    outcome.aviFailure = written.aviFailure;
    if (reporter_ != nullptr) reporter_->report(outcome, CaptureSource{});
    return true;
  }
  if (!failure) return true;
  // The frames are gone: told as a capture that could not be written is.
  try {
    std::rethrow_exception(failure);
  } catch (const FileError& e) {
    if (e.kind() == FileErrorKind::NotCreated) {
      if (reporter_ != nullptr) reporter_->reportError(failure);
      return true;
    }
  } catch (...) {
  }
  lost(LostCapture{LostReason::NotWritten});
  return true;
}

void CaptureCycle::showNotice(const std::string& text) {
  tell([&text](CaptureObserver& o) { o.notice(text); });
}

}  // namespace snaprill
