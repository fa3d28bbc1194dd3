#include "app/capture_requests.h"

namespace snaprill {

CaptureRequests::CaptureRequests(CaptureCycle& cycle, const Texts& texts, ScreenPictures pictures,
                                 std::function<void(Bitmap)> handOn,
                                 std::function<void(LostOffer)> lose)
    : cycle_(cycle),
      texts_(texts),
      pictures_(std::move(pictures)),
      handOn_(std::move(handOn)),
      lose_(std::move(lose)),
      self_(std::make_shared<CaptureRequests*>(this)) {
  cycle_.addObserver(*this);
}

CaptureRequests::~CaptureRequests() {
  *self_ = nullptr;
  cycle_.removeObserver(*this);
}

std::chrono::seconds CaptureRequests::longestAnswer() const {
  return std::chrono::ceil<std::chrono::seconds>(pictures_.longest) + kSaveTime;
}

void CaptureRequests::answer(CaptureTarget target, SingleInstance::Answer answer) {
  using Kind = CaptureAnswer::Kind;
  // As with Print Screen: a picture taken while paused would wait on the clipboard
  // and be dropped at the resume; the command says so instead.
  if (cycle_.paused()) return answer({Kind::Refused, "Snaprill is paused"});
  if (!cycle_.takingPictures()) {
    return answer({Kind::Refused, "no file number is left (99999 reached)"});
  }
  if (!pictures_.take) return answer({Kind::Refused, pictures_.refusal});
  const std::weak_ptr<CaptureRequests*> self = self_;
  pictures_.take(target, [self, answer = std::move(answer)](TakenPicture taken) {
    const std::shared_ptr<CaptureRequests*> alive = self.lock();
    if (!alive || *alive == nullptr) return;
    CaptureRequests& requests = **alive;
    if (taken.picture.empty()) {
      // Told here as well as to the one who asked: the window's status line and
      // the tray say why no picture came, as for a key's.
      requests.lose_(taken.lost);
      return answer({Kind::Refused, notTakenText(taken.lost, requests.texts_)});
    }
    requests.handedOn(answer);
    requests.handOn_(std::move(taken.picture));
  });
}

void CaptureRequests::handedOn(SingleInstance::Answer answer) {
  auto limit = std::make_unique<QTimer>();
  limit->setSingleShot(true);
  QTimer* timer = limit.get();
  QObject::connect(timer, &QTimer::timeout, timer, [this, timer] {
    for (auto w = waiting_.begin(); w != waiting_.end(); ++w) {
      if (w->limit.get() != timer) continue;
      const SingleInstance::Answer late = std::move(w->answer);
      w->limit.release()->deleteLater();  // not from inside its own signal
      waiting_.erase(w);
      late({CaptureAnswer::Kind::Unsaved, "Snaprill did not save it in time"});
      return;
    }
  });
  timer->start(std::chrono::duration_cast<std::chrono::milliseconds>(kSaveTime));
  waiting_.push_back({std::move(answer), std::move(limit)});
}

void CaptureRequests::answerFirst(const CaptureAnswer& reply) {
  if (waiting_.empty()) return;
  Waiting first = std::move(waiting_.front());
  waiting_.pop_front();
  first.limit->stop();
  first.answer(reply);
  first.limit.release()->deleteLater();
}

void CaptureRequests::captureEnded(const SaveOutcome& outcome) {
  using Kind = CaptureAnswer::Kind;
  if (!outcome.kept()) return answerFirst({Kind::Unsaved, notSavedText(outcome, texts_)});
  // A frame of an animation is written with the frames after it.
  answerFirst(outcome.path.empty() ? CaptureAnswer{Kind::Kept, {}}
                                   : CaptureAnswer{Kind::Saved, outcome.path});
}

void CaptureRequests::captureLost(const LostCapture& lost) {
  // A newer picture took the place of ours before the cycle came to it: ours ended
  // there. Other losses are other offers'.
  if (lost.reason == LostReason::Replaced) {
    answerFirst({CaptureAnswer::Kind::Unsaved, texts_.get("Main", lostReasonKey(lost.reason))});
  }
}

}  // namespace snaprill
