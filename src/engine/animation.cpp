// The GIF and AVI branch of the capture cycle.
#include "engine/engine.h"

namespace snaprill {

void CaptureEngine::writeFrame() {}

void CaptureEngine::FlushPendingAnimation() {
  PendingFrameIndex = -1;
}

}  // namespace snaprill
