// The capture adjustments, with the examples that catch real faults.
#include <gtest/gtest.h>

#include "capture/colour_effects.h"
#include "formats/loader/picture_loader.h"
#include "support/adjust_fixture.h"

namespace snaprill {
namespace {

using Adjust = testing::AdjustFixture;

TEST_F(Adjust, CropThenResizeDoublesTheTopLeftArea) {
  const Bitmap original = testing::gradientPicture(400, 300);
  adjusted = original;
  options.setValue(Option::cropWidth, 250);
  options.setValue(Option::cropHeight, 100);
  options.setValue(Option::resizeWidth, 500);
  options.setValue(Option::resizeHeight, 200);
  options.setChecked(Option::crop, true);
  options.setChecked(Option::autoResize, true);
  adjustments().apply(adjusted);
  const Bitmap& b = adjusted;
  ASSERT_EQ(b.width(), 500);
  ASSERT_EQ(b.height(), 200);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 500; ++x)
      ASSERT_EQ(b.pixel(x, y), original.pixel(x / 2, y / 2)) << x << "," << y;
}

TEST_F(Adjust, CropEdgesAndSizesThatLeaveTheCaptureAlone) {
  const Bitmap original = testing::gradientPicture(40, 30);
  const auto cropped = [&](int left, int top, int w, int h) {
    adjusted = original;
    options.setValue(Option::cropLeft, left);
    options.setValue(Option::cropTop, top);
    options.setValue(Option::cropWidth, w);
    options.setValue(Option::cropHeight, h);
    adjustments().crop(adjusted);
    return adjusted;
  };
  // Left equal to the width still crops: nothing of the capture is left, so the
  // area comes out black.
  Bitmap b = cropped(40, 0, 5, 5);
  ASSERT_EQ(b.width(), 5);
  EXPECT_EQ(b.pixel(0, 0), Rgb{});
  EXPECT_EQ(cropped(41, 0, 5, 5), original);
  EXPECT_EQ(cropped(0, 31, 5, 5), original);
  EXPECT_EQ(cropped(0, 0, 0, 5), original);
  EXPECT_EQ(cropped(0, 0, 5, -3), original);
  // A rectangle reaching past the capture is black there. (Negative left and top
  // never get here: the fields set themselves back to 0.)
  b = cropped(35, 25, 10, 10);
  ASSERT_EQ(b.width(), 10);
  EXPECT_EQ(b.pixel(4, 0), original.pixel(39, 25));
  EXPECT_EQ(b.pixel(5, 0), Rgb{});
  EXPECT_EQ(b.pixel(4, 4), original.pixel(39, 29));
  EXPECT_EQ(b.pixel(4, 5), Rgb{});
}

TEST_F(Adjust, ResizeToOwnSizeOrNonsenseChangesNothingAndShrinkingAnds) {
  const Bitmap original = testing::gradientPicture(20, 10);
  const auto resized = [&](int w, int h) {
    adjusted = original;
    options.setValue(Option::resizeWidth, w);
    options.setValue(Option::resizeHeight, h);
    adjustments().resize(adjusted);
    return adjusted;
  };
  EXPECT_EQ(resized(20, 10), original);
  EXPECT_EQ(resized(0, 10), original);
  EXPECT_EQ(resized(-20, 10), original);
  // Halving combines each 2 x 2 block by AND: no smoothing.
  const Bitmap half = resized(10, 5);
  ASSERT_EQ(half.width(), 10);
  const Rgb a = original.pixel(4, 6), b = original.pixel(5, 6), c = original.pixel(4, 7),
            d = original.pixel(5, 7);
  EXPECT_EQ(half.pixel(2, 3), (Rgb{static_cast<std::uint8_t>(a.r & b.r & c.r & d.r),
                                   static_cast<std::uint8_t>(a.g & b.g & c.g & d.g),
                                   static_cast<std::uint8_t>(a.b & b.b & c.b & d.b)}));
}

TEST_F(Adjust, OverlayAtNegativePositionShowsItsLowerRightPart) {
  adjusted = Bitmap(50, 40, 32);
  state.overlay.set(testing::gradientPicture(30, 20).convertedTo(24));
  options.setValue(Option::overlayX, -10);
  options.setValue(Option::overlayY, -10);
  adjustments().addOverlay(adjusted);
  EXPECT_EQ(adjusted.pixel(0, 0), state.overlay.picture().pixel(10, 10));
  EXPECT_EQ(adjusted.pixel(19, 9), state.overlay.picture().pixel(29, 19));
  EXPECT_EQ(adjusted.pixel(20, 9), Rgb{});
  EXPECT_EQ(adjusted.pixel(19, 10), Rgb{});
  EXPECT_EQ(adjusted.bitsPerPixel(), 32);
  // Clearing the overlay leaves nothing to draw.
  state.overlay.clear();
  const Bitmap before = adjusted;
  adjustments().addOverlay(adjusted);
  EXPECT_EQ(adjusted, before);
}

TEST_F(Adjust, TextTemplateFieldsInTheirOrderIgnoringCase) {
  clock.time = LocalTime{2026, 3, 7, 9, 5, 4};
  EXPECT_EQ(adjustments().expandTextTemplate("%Y-%m-%d"), "2026-03-07");
  EXPECT_EQ(adjustments().expandTextTemplate("%j.%n."), "7.3.");
  EXPECT_EQ(adjustments().expandTextTemplate("%h %+ : %+ %i"), "09:05");
  EXPECT_EQ(adjustments().expandTextTemplate("%g/%H/%S/%s %D%d"), "9/09/04/04 0707");
  clock.time = LocalTime{987, 12, 31, 23, 59, 59};
  EXPECT_EQ(adjustments().expandTextTemplate("%y %m %g"), "0987 12 23");
}

TEST_F(Adjust, TextPositionsMeasureTheExpandedText) {
  adjusted = Bitmap(101, 51, 32);
  options.setText(Option::captureText, "%d.%m.");  // "07.03." once expanded: 6 cells
  options.setValue(Option::textOffsetX, 7);
  options.setValue(Option::textOffsetY, 4);
  const int tw = 6 * fake::FakeTextRenderer::kCharWidth, th = fake::FakeTextRenderer::kHeight;
  const std::pair<int, int> expected[] = {
      {7, 4},           {101 - tw - 7, 4},           {50 - tw / 2, 4},
      {7, 51 - th - 4}, {101 - tw - 7, 51 - th - 4}, {50 - tw / 2, 51 - th - 4}};
  for (int pos = 0; pos < 6; ++pos) {
    options.setValue(Option::textPosition, pos);
    adjustments().addText(adjusted);
    ASSERT_EQ(text.drawn.back().text, "07.03.");
    EXPECT_EQ(text.drawn.back().x, expected[pos].first) << pos;
    EXPECT_EQ(text.drawn.back().y, expected[pos].second) << pos;
  }
  // Upper right corner ends the margin before the right edge.
  options.setValue(Option::textPosition, 1);
  adjusted = Bitmap(101, 51, 32);
  adjustments().addText(adjusted);
  EXPECT_NE(adjusted.pixel(101 - 7 - 1, 4), Rgb{});
  EXPECT_EQ(adjusted.pixel(101 - 7, 4), Rgb{});
  // Font and background cell come from their options.
  EXPECT_FALSE(text.drawn.back().background.has_value());
  options.setChecked(Option::fillTextBackground, true);
  options.setValue(Option::textBackgroundColour, 0x0000FF);
  options.setValue(Option::textColour, 0x123456);
  options.setText(Option::textFontName, "DejaVu Sans");
  options.setValue(Option::textFontSize, 12);
  adjustments().addText(adjusted);
  EXPECT_EQ(text.drawn.back().background, (Rgb{255, 0, 0}));
  EXPECT_EQ(text.drawn.back().font.colour, (Rgb{0x56, 0x34, 0x12}));
  EXPECT_EQ(text.drawn.back().font.name, "DejaVu Sans");
  EXPECT_EQ(text.drawn.back().font.pointSize, 12);
}

TEST_F(Adjust, InvertTwiceRestoresThePictureAt24Bits) {
  const Bitmap original = testing::gradientPicture(5, 3);  // odd width: rows carry padding
  Bitmap b = original;
  invertColours(b);
  ASSERT_EQ(b.bitsPerPixel(), 24);
  EXPECT_EQ(b.pixel(1, 2), (Rgb{254, 253, 255 - 13}));
  EXPECT_EQ(b.row(0)[15], 0);  // padding untouched
  invertColours(b);
  EXPECT_EQ(b, original.convertedTo(24));
}

TEST_F(Adjust, GrayscaleUsesExtendedPrecisionAndHalvesToEven) {
  EXPECT_EQ(grayLevel(Rgb{255, 0, 0}), 76);
  EXPECT_EQ(grayLevel(Rgb{0, 255, 0}), 153);
  EXPECT_EQ(grayLevel(Rgb{0, 0, 255}), 26);
  EXPECT_EQ(grayLevel(Rgb{255, 255, 255}), 255);
  EXPECT_EQ(grayLevel(Rgb{100, 50, 25}), 63);
  for (const int bpp : {32, 24, 16, 8}) {
    Bitmap b(2, 1, bpp);
    b.setPixel(0, 0, Rgb{255, 0, 0});
    b.setPixel(1, 0, Rgb{255, 255, 255});
    makeGrayscale(b);
    EXPECT_EQ(b.bitsPerPixel(), bpp);
    if (bpp >= 24) {
      EXPECT_EQ(b.pixel(0, 0), (Rgb{76, 76, 76}));
    }
    EXPECT_EQ(b.pixel(1, 0), (Rgb{255, 255, 255})) << bpp;
  }
}

TEST_F(Adjust, CursorOnlyOnFullScreenCapturesAtThePointer) {
  screen.size = ReferenceScreen::at96Dpi(64, 48);
  cursor.snapshot.pointerX = 60;
  cursor.snapshot.pointerY = 10;
  cursor.snapshot.image = Bitmap(8, 8, 32);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      std::uint8_t* p = cursor.snapshot.image.row(y) + 4 * x;
      p[0] = p[1] = p[2] = 255;
      p[3] = x < 4 ? 255 : 0;  // left half opaque white, right half clear
    }
  options.setChecked(Option::addCursor, true);
  adjusted = Bitmap(63, 48, 32);
  adjustments().apply(adjusted);
  EXPECT_EQ(adjusted, Bitmap(63, 48, 32));
  adjusted = Bitmap(64, 48, 32);
  adjustments().apply(adjusted);
  EXPECT_EQ(adjusted.pixel(60, 10), (Rgb{255, 255, 255}));
  EXPECT_EQ(adjusted.pixel(63, 17), (Rgb{255, 255, 255}));
  EXPECT_EQ(adjusted.pixel(59, 10), Rgb{});
  EXPECT_EQ(adjusted.pixel(60, 18), Rgb{});
  EXPECT_EQ(cursor.snapshots, 2);
}

TEST_F(Adjust, CursorHotSpotGoesToThePointer) {
  // An 8 x 8 cursor, clear but for its hot spot (3, 5) in red and its top-left
  // corner in green, as an arrow's tip is drawn a few pixels into its picture.
  screen.size = ReferenceScreen::at96Dpi(64, 48);
  cursor.snapshot.image = Bitmap(8, 8, 32);
  const auto paint = [this](int x, int y, std::uint8_t r, std::uint8_t g) {
    std::uint8_t* p = cursor.snapshot.image.row(y) + 4 * x;
    p[0] = 0;
    p[1] = g;
    p[2] = r;
    p[3] = 255;
  };
  paint(3, 5, 255, 0);
  paint(0, 0, 0, 255);
  cursor.snapshot.hotX = 3;
  cursor.snapshot.hotY = 5;
  cursor.snapshot.pointerX = 20;
  cursor.snapshot.pointerY = 30;
  options.setChecked(Option::addCursor, true);
  adjusted = Bitmap(64, 48, 32);
  adjustments().apply(adjusted);
  EXPECT_EQ(adjusted.pixel(20, 30), (Rgb{255, 0, 0}));
  EXPECT_EQ(adjusted.pixel(17, 25), (Rgb{0, 255, 0}));
  EXPECT_EQ(adjusted.pixel(21, 31), Rgb{});
  // At the screen's top-left corner the picture's top and left are cut off; the hot
  // spot is still at the pointer.
  cursor.snapshot.pointerX = 1;
  cursor.snapshot.pointerY = 0;
  adjusted = Bitmap(64, 48, 32);
  adjustments().apply(adjusted);
  EXPECT_EQ(adjusted.pixel(1, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(adjusted.pixel(0, 0), Rgb{});
}

TEST_F(Adjust, OneTickRunsTheStepsInOrderFromTheClipboardToTheFile) {
  // Cursor before crop, overlay and text on the cropped picture, colour effects
  // over everything: a white cursor at (10, 10) lands at (0, 0) after a crop from
  // there, is inverted to black, and the overlay's white turns black too.
  screen.size = ReferenceScreen::at96Dpi(40, 30);
  cursor.snapshot.pointerX = 10;
  cursor.snapshot.pointerY = 10;
  cursor.snapshot.image = Bitmap(1, 1, 32);
  std::fill(cursor.snapshot.image.bits().begin(), cursor.snapshot.image.bits().end(), 255);
  Bitmap white(1, 1, 24);
  white.setPixel(0, 0, Rgb{255, 255, 255});
  state.overlay.set(white);
  options.setValue(Option::outputType, kBitmap);
  options.setValue(Option::cropLeft, 10);
  options.setValue(Option::cropTop, 10);
  options.setValue(Option::cropWidth, 20);
  options.setValue(Option::cropHeight, 10);
  options.setValue(Option::overlayX, 5);
  for (Option option : {Option::addCursor, Option::crop, Option::addOverlay, Option::invertColours})
    options.setChecked(option, true);
  Bitmap capture(40, 30, 32);
  clipboard.offerBitmap(capture);
  tick();
  ASSERT_FALSE(lastSaved.path.empty());
  const Bitmap b = loadPictureFile(lastSaved.path);
  ASSERT_EQ(b.width(), 20);
  EXPECT_EQ(b.bitsPerPixel(), 24);
  EXPECT_EQ(b.pixel(0, 0), Rgb{});
  EXPECT_EQ(b.pixel(5, 0), Rgb{});
  EXPECT_EQ(b.pixel(1, 0), (Rgb{255, 255, 255}));
}

}  // namespace
}  // namespace snaprill
