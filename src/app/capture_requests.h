// The running program's side of snaprill --capture: a request from a later start
// (single_instance.h) is refused at once where no picture would be taken (paused, no
// number left), else the picture is asked of the desktop and handed on as Print
// Screen's, as a capture of the command with a number of its own, and the answer is
// the outcome of that capture: the file written, or why not. Everything is answered
// from the event loop as it comes; the later start may have gone meanwhile, which
// costs nothing.
#pragma once

#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/capture_command.h"
#include "capture/capture_cycle.h"
#include "ui/single_instance.h"

namespace snaprill {

class CaptureRequests : public CaptureObserver {
 public:
  // Hands the desktop's answer on to the cycle, as Print Screen's: the picture, or
  // none with its reason, reported as a lost capture.
  using HandOn = std::function<void(TakenPicture, const CaptureSource&)>;
  // Everything given outlives this; the clock stamps the requests.
  CaptureRequests(CaptureCycle& cycle, const Texts& texts, ScreenPictures pictures, HandOn handOn,
                  const Clock& clock);
  ~CaptureRequests() override;
  CaptureRequests(const CaptureRequests&) = delete;
  CaptureRequests& operator=(const CaptureRequests&) = delete;

  void answer(CaptureTarget target, SingleInstance::Answer answer);
  // The longest an answer may take: the picture, then its capture.
  std::chrono::seconds longestAnswer() const;
  // How long a capture handed on may take to be saved; counted again, and the
  // command told so, while the cycle still writes captures taken before it.
  static constexpr std::chrono::seconds kSaveTime{30};

  // The capture of a request ended: its outcome is the answer.
  void captureEnded(const SaveOutcome& outcome, const CaptureSource& source) override;

 private:
  void handedOn(std::uint64_t request, SingleInstance::Answer answer);
  void answerRequest(std::uint64_t request, const CaptureAnswer& reply);

  CaptureCycle& cycle_;
  const Texts& texts_;
  ScreenPictures pictures_;
  HandOn handOn_;
  const Clock& clock_;
  std::uint64_t lastRequest_ = 0;
  // Requests whose pictures went to the cycle, each until its capture ends or its
  // time is up (a picture dropped at a resume ends no capture).
  struct Waiting {
    std::uint64_t request;
    SingleInstance::Answer answer;
    std::unique_ptr<QTimer> limit;
  };
  std::vector<Waiting> waiting_;
  std::vector<Waiting>::iterator waitingFor(std::uint64_t request);
  // Told to the desktop's answers, which may come after this is gone.
  std::shared_ptr<CaptureRequests*> self_;
};

}  // namespace snaprill
