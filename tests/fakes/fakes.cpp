#include "fakes/fakes.h"

namespace snaprill::fake {

std::unique_ptr<Timer> newFakeTimer() {
  return std::make_unique<FakeTimer>();
}

}  // namespace snaprill::fake
