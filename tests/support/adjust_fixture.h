// The cycle fixture with the fake cursor and text renderer plugged in, for the
// adjustment tests.
#pragma once

#include "support/cycle_fixture.h"

namespace snaprill::testing {

class AdjustFixture : public CycleTest {
 protected:
  AdjustFixture() {
    platform.cursor = &cursor;
    platform.text = &text;
  }
};

}  // namespace snaprill::testing
