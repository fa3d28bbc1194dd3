// Outputs put together at their logical places: the picture spans them all with
// black where none is, takes the finest scale (a coarser output enlarged), and a
// part of the layout cut from the outputs it meets at their scale, wherever the
// layout begins and whatever the scale (fractional ones too).
#include "backends/wayland/output_layout.h"

#include <gtest/gtest.h>

namespace snaprill {
namespace {

Bitmap filled(int width, int height, Rgb colour) {
  Bitmap picture(width, height, 32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) picture.setPixel(x, y, colour);
  }
  return picture;
}

constexpr Rgb kRed{200, 0, 0};
constexpr Rgb kBlue{0, 0, 200};
constexpr Rgb kBlack{};

TEST(OutputLayout, OutputsSideBySideAtTheFinestScale) {
  // 4x2 at (0,0), scale 1; 2x2 logical at (4,1), scale 2 (a 4x4 picture) whose
  // lower-right pixel is black.
  Bitmap fine = filled(4, 4, kBlue);
  fine.setPixel(3, 3, kBlack);
  const auto layout = [&] {
    return std::vector<OutputPicture>{{Rect{0, 0, 4, 2}, filled(4, 2, kRed)},
                                      {Rect{4, 1, 6, 3}, fine}};
  };
  const Bitmap whole = composeOutputs(layout(), layoutBounds({Rect{0, 0, 4, 2}, {4, 1, 6, 3}}));
  ASSERT_EQ(whole.width(), 12);
  ASSERT_EQ(whole.height(), 6);
  EXPECT_EQ(whole.pixel(0, 0), kRed);
  EXPECT_EQ(whole.pixel(7, 3), kRed);    // the coarse output, enlarged
  EXPECT_EQ(whole.pixel(0, 4), kBlack);  // below it: no output
  EXPECT_EQ(whole.pixel(8, 0), kBlack);  // above the lower one
  EXPECT_EQ(whole.pixel(8, 2), kBlue);
  EXPECT_EQ(whole.pixel(11, 5), kBlack);  // the fine output's own pixel, not enlarged
  EXPECT_EQ(whole.pixel(10, 5), kBlue);

  // A window on the fine output, in logical units: its own pixels.
  const Bitmap window = composeOutputs(layout(), Rect{5, 2, 6, 3});
  ASSERT_EQ(window.width(), 2);
  ASSERT_EQ(window.height(), 2);
  EXPECT_EQ(window.pixel(0, 0), kBlue);
  EXPECT_EQ(window.pixel(1, 1), kBlack);

  // Reaching past the layout: cut at its edge, at the scale of the one output met.
  // Meeting no output: nothing.
  const Bitmap past = composeOutputs(layout(), Rect{-3, -3, 1, 1});
  EXPECT_EQ(past.width(), 1);
  EXPECT_EQ(past.height(), 1);
  EXPECT_EQ(past.pixel(0, 0), kRed);
  EXPECT_TRUE(composeOutputs(layout(), Rect{20, 20, 30, 30}).empty());
}

TEST(OutputLayout, LayoutLeftOfAndAboveTheOrigin) {
  std::vector<OutputPicture> outputs{{Rect{-3, -2, 0, 0}, filled(3, 2, kRed)},
                                     {Rect{0, 0, 2, 2}, filled(2, 2, kBlue)}};
  const Rect bounds = layoutBounds({outputs[0].logical, outputs[1].logical});
  const Bitmap whole = composeOutputs(std::move(outputs), bounds);
  ASSERT_EQ(whole.width(), 5);
  ASSERT_EQ(whole.height(), 4);
  EXPECT_EQ(whole.pixel(0, 0), kRed);
  EXPECT_EQ(whole.pixel(3, 2), kBlue);
  EXPECT_EQ(whole.pixel(3, 0), kBlack);
}

TEST(OutputLayout, FractionalScaleKeepsEveryPhysicalPixel) {
  // 1280x800 pixels shown as 853x533 logical units (scale 1.5).
  const auto layout = [] {
    return std::vector<OutputPicture>{{Rect{0, 0, 853, 533}, filled(1280, 800, kRed)}};
  };
  const Bitmap whole = composeOutputs(layout(), Rect{0, 0, 853, 533});
  EXPECT_EQ(whole.width(), 1280);
  EXPECT_EQ(whole.height(), 800);
  // A window below a 25-unit bar, as sway gives it.
  const Bitmap window = composeOutputs(layout(), Rect{0, 25, 853, 533});
  EXPECT_EQ(window.width(), 1280);
  EXPECT_EQ(window.height(), 762);
  EXPECT_EQ(window.pixel(1279, 761), kRed);
}

}  // namespace
}  // namespace snaprill
