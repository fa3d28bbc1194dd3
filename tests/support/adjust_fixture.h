// The cycle fixture with the fake screen, cursor and text renderer plugged in, for the
// adjustment tests.
#pragma once

#include "capture/adjustments.h"
#include "support/cycle_fixture.h"

namespace snaprill::testing {

class AdjustFixture : public CycleTest {
 protected:
  AdjustFixture() {
    platform.screen = &screen;
    platform.cursor = &cursor;
    platform.text = &text;
  }
  Adjustments adjustments() { return Adjustments(options, platform, state.overlay); }
  // The overlay picture loaded as the window loads it: failures go to the
  // program-wide error handler.
  void loadOverlay(const std::string& path) {
    try {
      state.overlay.load(path);
    } catch (...) {
      reports.reportError(std::current_exception());
    }
  }

  Bitmap adjusted;  // the picture the adjustments work on
};

}  // namespace snaprill::testing
