// Hands a written file to the program the user chose.
#include "engine/engine.h"

namespace snaprill {

void CaptureEngine::launchExternalProgram(const std::string&) {}

}  // namespace snaprill
