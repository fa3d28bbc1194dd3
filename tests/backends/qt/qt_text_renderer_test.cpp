// Qt text drawing onto bitmaps, on the offscreen platform.
#include "backends/qt/qt_text_renderer.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <array>
#include <cstdlib>

namespace snaprill {
namespace {

class QtText : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
  }
  // Bounding box of pixels that differ from `background`.
  static std::array<int, 4> inked(const Bitmap& b, Rgb background) {
    std::array<int, 4> box{b.width(), b.height(), -1, -1};
    for (int y = 0; y < b.height(); ++y)
      for (int x = 0; x < b.width(); ++x)
        if (b.pixel(x, y) != background) {
          box[0] = std::min(box[0], x), box[1] = std::min(box[1], y);
          box[2] = std::max(box[2], x), box[3] = std::max(box[3], y);
        }
    return box;
  }
  QtTextRenderer renderer;
};

TEST_F(QtText, DrawsInsideTheMeasuredCellInEachFormat) {
  TextFont font;
  font.name = "MS Sans Serif";  // falls back to whatever face fontconfig offers
  font.pointSize = 12;
  font.colour = Rgb{255, 0, 0};
  const TextSize size = renderer.measure("Snaprill 2026", font);
  ASSERT_GT(size.width, 40);
  ASSERT_GT(size.height, 10);
  for (const int bpp : {32, 24, 8}) {
    Bitmap b(200, 60, bpp);
    renderer.draw(b, 20, 10, "Snaprill 2026", font, std::nullopt);
    EXPECT_EQ(b.bitsPerPixel(), bpp);
    const auto box = inked(b, Rgb{});
    ASSERT_GE(box[2], 0) << "nothing drawn at " << bpp;
    EXPECT_GE(box[0], 20);
    EXPECT_GE(box[1], 10);
    EXPECT_LT(box[2], 20 + size.width);
    EXPECT_LT(box[3], 10 + size.height);
  }
}

TEST_F(QtText, BackgroundFillsTheCellAndTheEdgesClip) {
  TextFont font;
  font.pointSize = 8;
  const TextSize size = renderer.measure("x", font);
  Bitmap b(100, 40, 32);
  renderer.draw(b, 5, 6, "x", font, Rgb{0, 0, 255});
  EXPECT_EQ(b.pixel(5, 6), (Rgb{0, 0, 255}));
  EXPECT_EQ(b.pixel(5 + size.width - 1, 6 + size.height - 1), (Rgb{0, 0, 255}));
  EXPECT_EQ(b.pixel(5 + size.width, 6), Rgb{});
  EXPECT_EQ(b.pixel(4, 6), Rgb{});
  // Partly and wholly outside: cut off, no crash.
  renderer.draw(b, -3, -4, "clipped text", font, Rgb{1, 2, 3});
  renderer.draw(b, 95, 35, "clipped text", font, Rgb{1, 2, 3});
  renderer.draw(b, 100000, -100000, "gone", font, Rgb{1, 2, 3});
  EXPECT_NE(b.pixel(0, 0), Rgb{});
  EXPECT_NE(b.pixel(99, 39), Rgb{});
}

}  // namespace
}  // namespace snaprill
