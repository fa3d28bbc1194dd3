#include "capture/capture_cycle.h"

#include <algorithm>

#include "base/errors.h"
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
  services_.clipboard.setListener(this);
}

CaptureCycle::~CaptureCycle() {
  services_.clipboard.setListener(nullptr);
  options_.unwatch(picturesWithText_);
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

void CaptureCycle::pictureArrived() {
  // Nothing may start a second capture while one is being written: the AVI writer
  // lets window events through, and such a capture would add a frame to the
  // animation being written. The picture stays on the clipboard until then.
  if (saving_) return;
  if (!takingPictures()) {
    // The grab that put a picture there while paused keeps memory too; nothing
    // else would let it go.
    armMemoryRelease();
    return;
  }
  takeCapture();
  // Pictures that arrived while that one was written.
  while (takingPictures() && services_.clipboard.pictureReady()) takeCapture();
}

void CaptureCycle::takeCapture() {
  saving_ = true;
  SaveOutcome outcome;
  {
    // A picture saved as JPEG without adjustments is written while its lower rows
    // are still being decoded; anything else waits for the whole picture. Leaving
    // this block, however it is left, waits too.
    ArrivingRows arriving;
    const bool streamed = savesWhileRowsArrive(options_);
    TakenPicture taken;
    try {
      taken = services_.clipboard.take(streamed ? &arriving : nullptr);
    } catch (...) {
      outcome.lost = LostReason::Unreadable;
      outcome.failure = messageOf(std::current_exception());
      services_.clipboard.leaveOffer();
    }
    if (!outcome.lost && taken.picture.empty()) {
      // Nothing could be made of what was offered: it stays on the clipboard, where
      // the user may still have a use for it, and costs no number.
      saving_ = false;
      tell([](CaptureObserver& o) { o.counterChanged(); });
      outcome.lost = lostReasonOf(taken.lost);
      lost(LostCapture{*outcome.lost});
      tell([&outcome](CaptureObserver& o) { o.captureEnded(outcome); });
      armMemoryRelease();
      return;
    }
    if (!outcome.lost) {
      outcome = saveCapture(std::move(taken.picture), options_, texts_, state_, services_,
                            streamed ? &arriving : nullptr);
      // The picture leaves the clipboard only once it is saved (or dropped, no number
      // being left). One that was not (its rows damaged late, its file not written)
      // stays there as it was, for the user to paste elsewhere, and is not taken
      // again by itself: the next attempt is the next offer. Settled before any box
      // below lets events through; a newer offer is left alone either way.
      if (outcome.kept() || outcome.lost == LostReason::NoNumberLeft) {
        services_.clipboard.clearTaken();
      } else {
        services_.clipboard.leaveOffer();
      }
    }
  }
  saving_ = false;
  report(outcome);
  armMemoryRelease();
}

void CaptureCycle::report(const SaveOutcome& outcome) {
  const auto ended = [this, &outcome] {
    tell([&outcome](CaptureObserver& o) { o.captureEnded(outcome); });
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
    if (!outcome.absentOutputFolder.empty()) {
      // Once, where the counter would say nothing of where the file went.
      const std::string text = absentFolderMessage(texts_, outcome);
      tell([&text](CaptureObserver& o) { o.notice(text); });
    }
    if (!outcome.programNotStarted.empty()) {
      // Once for this capture, after the counter it would otherwise replace.
      const std::string text = programNotStartedMessage(texts_, outcome);
      tell([&text](CaptureObserver& o) { o.notice(text); });
    }
    ended();
    // After the capture, so that captures go on while the message is open.
    reportRefusedSize(outcome);
    return;
  }
  // Writing failed: the picture is still on the clipboard, no longer offered, and its
  // number is free again, so the counter shown stays as it was.
  ++counts_.failed;
  if (outcome.aviNotWritten) {
    // The AVI writer's box has said why.
  } else if (outcome.lost == LostReason::NotCreated) {
    // The disk-full box speaks for itself. It waits for the user; whoever follows
    // the capture (snaprill --capture, waiting for its outcome) hears it before.
    ended();
    showDiskFull(outcome.failedFile, outcome.failedBecause);
    return;
  } else {
    lost(LostCapture{*outcome.lost});
  }
  ended();
}

void CaptureCycle::lost(const LostCapture& capture) {
  ++counts_.lost;
  tell([&capture](CaptureObserver& o) { o.captureLost(capture); });
}

void CaptureCycle::offerLost(LostOffer why) {
  // Paused, or with no number left, the picture would not have been taken anyway.
  if (!takingPictures()) return;
  tell([](CaptureObserver& o) { o.counterChanged(); });
  lost(LostCapture{lostReasonOf(why)});
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
  // Also while a capture lets events through (an AVI being written): it does not
  // use the kept buffers, and its end starts the timer again.
  releaseKeptPixels();
  memoryReleased.callAll();
  returnFreeMemoryToSystem();
}

void CaptureCycle::togglePause() {
  if (!paused_) {
    paused_ = true;
    tell([](CaptureObserver& o) { o.stateChanged(); });
    return;
  }
  const bool keep = options_.checked(Option::keepClipboardOnResume);
  if (services_.clipboard.hasPicture() && !keep) services_.clipboard.clear();
  paused_ = false;
  // A resume brings back the taking of pictures, even with the counter at its end:
  // the next picture is then dropped again.
  numbersUsedUp_ = false;
  tell([](CaptureObserver& o) { o.stateChanged(); });
  tell([](CaptureObserver& o) { o.counterChanged(); });
  if (keep && services_.clipboard.pictureReady()) pictureArrived();
}

void CaptureCycle::resetCounter() {
  if (!services_.dialogs.confirm(texts_.get("Settings", "ImageCountConfirmation"))) return;
  state_.names.setCounter(0);
  tell([](CaptureObserver& o) { o.counterChanged(); });
}

void CaptureCycle::start() {
  tell([](CaptureObserver& o) { o.started(); });
  if (!options_.checked(Option::keepClipboardAtStart)) services_.clipboard.clearStartPicture();
  removeLeftoverWrites(options_.text(Option::outputDir), services_.dirs.configDir);
}

void CaptureCycle::close() {
  try {
    state_.animation.flushPending(state_.names);
  } catch (...) {
    reportError(std::current_exception());
  }
}

void CaptureCycle::reportError(std::exception_ptr error) {
  // The clipboard is left alone: no capture is at stake here (a capture's failure
  // is reported by the capture, which has left its picture on the clipboard).
  try {
    std::rethrow_exception(error);
  } catch (const FileError& e) {
    if (e.kind() == FileErrorKind::SettingsNotWritten) reportSettingsNotSaved(e.path());
    if (e.kind() == FileErrorKind::NotCreated) showDiskFull(e.path(), e.reasonBeyondDiskFull());
  } catch (...) {
  }
}

void CaptureCycle::showDiskFull(const std::string& file, const std::string& reason) {
  // While the box is open, captures go on failing in the same way (its event loop
  // lets pictures arrive): one box, and the status text counts the rest.
  if (diskFullBoxOpen_) {
    ++diskFullRepeats_;
    const std::string text = replaceIgnoringCase(texts_.get("Error", "DiskFullRepeated"), "%n",
                                                 std::to_string(diskFullRepeats_));
    tell([&text](CaptureObserver& o) { o.notice(text); });
    return;
  }
  const std::string text = diskFullMessage(texts_, file, reason);
  struct BoxOpen {
    CaptureCycle& cycle;
    ~BoxOpen() {
      cycle.diskFullBoxOpen_ = false;
      cycle.diskFullRepeats_ = 0;
    }
  } open{*this};
  diskFullBoxOpen_ = true;
  services_.dialogs.errorBox(text);
}

void CaptureCycle::showNotice(const std::string& text) {
  tell([&text](CaptureObserver& o) { o.notice(text); });
}

void CaptureCycle::reportSettingsNotSaved(const std::string& file) {
  const std::string text = replaceIgnoringCase(texts_.get("Error", "SettingsNotSaved"), "%s", file);
  // Once a box for each file; an auto-save hotkey pressed again and again must not
  // bring it back each time.
  if (!settingsFilesReported_.insert(file).second) {
    tell([&text](CaptureObserver& o) { o.notice(text); });
    return;
  }
  services_.dialogs.errorBox(text);
}

void CaptureCycle::reportRefusedSize(const SaveOutcome& outcome) {
  if (outcome.refusedWidth == 0) return;
  const std::string text = refusedSizeMessage(texts_, outcome);
  // Once for each size asked for: the captures go on, unresized.
  if (text == refusedSizeShown_) return;
  refusedSizeShown_ = text;
  services_.dialogs.errorBox(text);
}

}  // namespace snaprill
