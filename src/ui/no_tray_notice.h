// The status bar's notice that the window was minimised because no tray was found.
// It is told once, and goes as soon as it is no longer the news: a capture has a
// count or a loss to show, or a tray host is there again.
#pragma once

#include <QString>
#include <functional>

#include "capture/capture_cycle.h"

class QStatusBar;

namespace snaprill {

class NoTrayNotice : private CaptureObserver {
 public:
  // The bar and the cycle outlive the notice; text gives its words in the current
  // language.
  NoTrayNotice(QStatusBar& bar, CaptureCycle& cycle, std::function<QString()> text);
  ~NoTrayNotice() override;
  NoTrayNotice(const NoTrayNotice&) = delete;
  NoTrayNotice& operator=(const NoTrayNotice&) = delete;

  // The first time only: a window minimised again and again says it once.
  void show();
  // Ends the notice when a tray host can be found now. The desktop does not say
  // when one starts, so this is asked whenever the user turns to the window.
  void checkTray();

 private:
  void counterChanged() override { end(); }
  void captureLost(const LostCapture&) override { end(); }
  void end();

  QStatusBar& bar_;
  CaptureCycle& cycle_;
  std::function<QString()> text_;
  bool shownOnce_ = false;
  bool showing_ = false;
};

}  // namespace snaprill
