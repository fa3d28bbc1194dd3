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

  // A capture whose every pixel says where it came from.
  static Bitmap gradient(int w, int h) {
    Bitmap b(w, h, 32);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        b.setPixel(x, y,
                   Rgb{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                       static_cast<std::uint8_t>(x * 7 + y * 3)});
    return b;
  }
};

}  // namespace snaprill::testing
