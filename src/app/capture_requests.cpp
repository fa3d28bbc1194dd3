#include "app/capture_requests.h"

#include <algorithm>

namespace snaprill {

CaptureRequests::CaptureRequests(CaptureCycle& cycle, const Texts& texts, ScreenPictures pictures,
                                 HandOn handOn, const Clock& clock)
    : cycle_(cycle),
      texts_(texts),
      pictures_(std::move(pictures)),
      handOn_(std::move(handOn)),
      clock_(clock),
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
  // The close writes the captures already taken, for seconds perhaps, and takes no
  // more: the picture would wait until the program ends, and go with it.
  if (cycle_.closing()) return answer({Kind::Refused, "Snaprill is closing"});
  if (!pictures_.take) return answer({Kind::Refused, pictures_.refusal});
  // The moment of the request, not of the desktop's answer; its number finds its
  // capture among the others (keys, automation, other requests) as it ends.
  const CaptureSource source{CaptureOrigin::Command, clock_.instant(), {}, ++lastRequest_};
  const std::weak_ptr<CaptureRequests*> self = self_;
  pictures_.take(target, [self, source, answer = std::move(answer)](TakenPicture taken) {
    const std::shared_ptr<CaptureRequests*> alive = self.lock();
    if (!alive || *alive == nullptr) return;
    CaptureRequests& requests = **alive;
    if (taken.picture.empty()) {
      // Told here as well as to the one who asked: the window's status line and the
      // tray say why no picture came, as for a key's.
      answer({Kind::Refused, notTakenText(taken.lost, requests.texts_)});
    } else {
      requests.handedOn(source.request, answer);
    }
    requests.handOn_(std::move(taken), source);
  });
}

void CaptureRequests::handedOn(std::uint64_t request, SingleInstance::Answer answer) {
  auto limit = std::make_unique<QTimer>();
  limit->setSingleShot(true);
  QObject::connect(limit.get(), &QTimer::timeout, limit.get(), [this, request] {
    // Captures taken before it may still be written (an 8K AVIF takes half a
    // minute): this one is then still to come, and saying "not saved" would be
    // false once it is. The command is told to wait on while the cycle writes;
    // only a picture that went nowhere (dropped at a resume) runs out of time.
    const auto found = waitingFor(request);
    if (found == waiting_.end()) return;
    if (cycle_.writing()) {
      found->answer.moreTime(kSaveTime);
      found->limit->start();
      return;
    }
    answerRequest(request, {CaptureAnswer::Kind::Unsaved, "Snaprill did not save it in time"});
  });
  limit->start(std::chrono::duration_cast<std::chrono::milliseconds>(kSaveTime));
  waiting_.push_back({request, std::move(answer), std::move(limit)});
}

std::vector<CaptureRequests::Waiting>::iterator CaptureRequests::waitingFor(std::uint64_t request) {
  return std::find_if(waiting_.begin(), waiting_.end(),
                      [request](const Waiting& w) { return w.request == request; });
}

void CaptureRequests::answerRequest(std::uint64_t request, const CaptureAnswer& reply) {
  const auto found = waitingFor(request);
  if (found == waiting_.end()) return;
  Waiting done = std::move(*found);
  waiting_.erase(found);
  done.limit->stop();
  // Not deleted from inside its own signal.
  done.limit.release()->deleteLater();
  done.answer(reply);
}

void CaptureRequests::captureEnded(const SaveOutcome& outcome, const CaptureSource& source) {
  using Kind = CaptureAnswer::Kind;
  if (source.origin != CaptureOrigin::Command || source.request == 0) return;
  if (!outcome.kept()) {
    return answerRequest(source.request, {Kind::Unsaved, notSavedText(outcome, texts_)});
  }
  // A frame of an animation is written with the frames after it.
  answerRequest(source.request, outcome.path.empty() ? CaptureAnswer{Kind::Kept, {}}
                                                     : CaptureAnswer{Kind::Saved, outcome.path});
}

}  // namespace snaprill
