// Runs the work of a window event; whatever it throws goes to the program-wide
// handler, so that no exception unwinds through Qt's event dispatch.
#pragma once

#include <exception>

#include "capture/capture_reporter.h"

namespace snaprill {

template <class F>
void guarded(CaptureReporter& reporter, F&& work) {
  try {
    work();
  } catch (...) {
    reporter.reportError(std::current_exception());
  }
}

}  // namespace snaprill
