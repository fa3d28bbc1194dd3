// What the user is told of captures beyond the counter and of the program's own
// failures: the window program's boxes and status-line notices (capture_reports.h),
// snaprill-batch's console. The capture cycle tells its reporter of every capture
// once it is settled and its observers have heard that it ended (a box may wait for
// the user: no one who follows the capture waits with it); the reporter is also the
// program-wide error handler.
#pragma once

#include <exception>

#include "capture/save_capture.h"
#include "platform/capture_source.h"

namespace snaprill {

class CaptureReporter {
 public:
  virtual ~CaptureReporter() = default;
  // A capture is over: the boxes and notices its outcome calls for.
  virtual void report(const SaveOutcome& outcome, const CaptureSource& source) = 0;
  // An error of the program's own actions (a settings file not written, a folder
  // not made, an overlay picture not read). The clipboard is left as it is: no
  // capture is at stake here.
  virtual void reportError(std::exception_ptr error) = 0;
};

}  // namespace snaprill
