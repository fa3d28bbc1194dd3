// The adjustments of a capture, in their fixed order: cursor, crop, resize,
// overlay picture, text, invert, grayscale.
#include "engine/engine.h"

namespace snaprill {

void CaptureEngine::applyAdjustments() {}

}  // namespace snaprill
