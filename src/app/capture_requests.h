// The running program's side of snaprill --capture: a request from a later start
// (single_instance.h) is refused at once where no picture would be taken (paused, no
// number left), else the picture is asked of the desktop, handed on as Print
// Screen's, and the answer is the outcome of its capture: the file written, or why
// not. Everything is answered from the event loop as it comes; the later start
// may have gone meanwhile, which costs nothing.
#pragma once

#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>

#include "app/capture_command.h"
#include "capture/capture_cycle.h"
#include "ui/single_instance.h"

namespace snaprill {

class CaptureRequests : public CaptureObserver {
 public:
  // `handOn` takes a picture on its way to the cycle, as Print Screen's; `lose`
  // reports one the desktop would not give as a lost capture. Everything given
  // outlives this.
  CaptureRequests(CaptureCycle& cycle, const Texts& texts, ScreenPictures pictures,
                  std::function<void(Bitmap)> handOn, std::function<void(LostOffer)> lose);
  ~CaptureRequests() override;
  CaptureRequests(const CaptureRequests&) = delete;
  CaptureRequests& operator=(const CaptureRequests&) = delete;

  void answer(CaptureTarget target, SingleInstance::Answer answer);
  // The longest an answer may take: the picture, then its capture.
  std::chrono::seconds longestAnswer() const;
  // How long a capture handed on may take to be saved.
  static constexpr std::chrono::seconds kSaveTime{30};

  void captureEnded(const SaveOutcome& outcome) override;
  void captureLost(const LostCapture& lost) override;

 private:
  void handedOn(SingleInstance::Answer answer);
  void answerFirst(const CaptureAnswer& reply);

  CaptureCycle& cycle_;
  const Texts& texts_;
  ScreenPictures pictures_;
  std::function<void(Bitmap)> handOn_;
  std::function<void(LostOffer)> lose_;
  // Requests whose pictures went to the cycle, in that order: the cycle saves them
  // in the order they came, so the next capture that ends is the first one's.
  struct Waiting {
    SingleInstance::Answer answer;
    std::unique_ptr<QTimer> limit;
  };
  std::deque<Waiting> waiting_;
  // Told to the desktop's answers, which may come after this is gone.
  std::shared_ptr<CaptureRequests*> self_;
};

}  // namespace snaprill
