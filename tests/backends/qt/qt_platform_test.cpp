// The Qt layer's own logic: picture conversion at the clipboard edge, which offered
// types count as a picture, file filters, and the gated timer's ticking.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>

#include "backends/qt/qimage_bitmap.h"
#include "backends/qt/qt_clipboard.h"
#include "backends/qt/qt_dialogs.h"
#include "backends/qt/qt_timer.h"
#include "support/event_loop.h"

namespace snaprill {
namespace {

TEST(QImageBitmap, OddSizedPicturesCrossBothWaysTransparencyOverWhite) {
  for (const QImage::Format format :
       {QImage::Format_ARGB32, QImage::Format_RGB888, QImage::Format_Indexed8}) {
    QImage argb(7, 3, QImage::Format_ARGB32);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 7; ++x) argb.setPixel(x, y, qRgba(x * 30, y * 80, 200 - x * 20, x * 36));
    const QImage image = argb.convertToFormat(format);

    const Bitmap b = bitmapFromQImage(image);
    ASSERT_EQ(b.bitsPerPixel(), 32);
    ASSERT_EQ(b.width(), 7);
    ASSERT_EQ(b.height(), 3);
    // What a viewer shows on a white page.
    QImage onWhite(image.size(), QImage::Format_RGB32);
    onWhite.fill(Qt::white);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 7; ++x) {
        const QRgb p = image.convertToFormat(QImage::Format_ARGB32).pixel(x, y);
        const auto over = [a = qAlpha(p)](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
        onWhite.setPixel(x, y, qRgb(over(qRed(p)), over(qGreen(p)), over(qBlue(p))));
        const QRgb expected = onWhite.pixel(x, y);
        EXPECT_EQ(b.pixel(x, y), (Rgb{static_cast<std::uint8_t>(qRed(expected)),
                                      static_cast<std::uint8_t>(qGreen(expected)),
                                      static_cast<std::uint8_t>(qBlue(expected))}));
        EXPECT_EQ(b.row(y)[x * 4 + 3], 0) << "X byte of a screen bitmap";
      }
    }
    const QImage back = qimageFromBitmap(b);
    EXPECT_EQ(back, onWhite);
  }
  // Fully transparent pixels are white, whatever colour they hold.
  QImage hidden(2, 1, QImage::Format_ARGB32);
  hidden.fill(qRgba(255, 0, 0, 0));
  EXPECT_EQ(bitmapFromQImage(hidden).pixel(1, 0), (Rgb{255, 255, 255}));
  EXPECT_TRUE(bitmapFromQImage(QImage()).empty());
  EXPECT_TRUE(qimageFromBitmap(Bitmap()).isNull());
}

TEST(QImageBitmap, IndexedBitmapsShowTheirPaletteColours) {
  Bitmap b(5, 2, 4);
  b.setIndex(4, 1, 9);
  const QImage image = qimageFromBitmap(b);
  const Rgb c = b.pixel(4, 1);
  EXPECT_EQ(image.pixel(4, 1), qRgb(c.r, c.g, c.b));
}

TEST(QtClipboard, OnlyDecodablePicturesCountAsABitmap) {
  EXPECT_TRUE(offersRasterImage({"TARGETS", "image/png"}));
  EXPECT_TRUE(offersRasterImage({"image/bmp"}));
  EXPECT_TRUE(offersRasterImage({"image/jpeg", "text/plain"}));
  EXPECT_TRUE(offersRasterImage({"application/x-qt-image"}));
  EXPECT_FALSE(offersRasterImage({}));
  EXPECT_FALSE(offersRasterImage({"text/plain", "UTF8_STRING", "text/uri-list"}));
  EXPECT_FALSE(offersRasterImage({"image/x-no-such-format"}));
}

TEST(QtDialogs, FiltersBecomeQtFilters) {
  EXPECT_EQ(toQtFileFilter("Snaprill settings (*.snp)|*.snp|All files (*.*)|*.*"),
            "Snaprill settings (*.snp);;All files (*)");
  EXPECT_EQ(toQtFileFilter("Pictures|*.gif;*.png; *.jpg|Text (*.txt)|*.txt"),
            "Pictures (*.gif *.png *.jpg);;Text (*.txt)");
  // A name without its pattern half is dropped rather than shown with no patterns.
  EXPECT_EQ(toQtFileFilter("Bitmaps (*.bmp)|*.bmp|Dangling"), "Bitmaps (*.bmp)");
}

class GatedTimer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::coreApplication(); }
};

TEST_F(GatedTimer, TicksOnlyWhileEnabledAndTheGateIsOpen) {
  QtTimer timer;
  int ticks = 0;
  bool open = false;
  timer.setHandler([&] { ++ticks; });
  timer.setInterval(1);
  timer.setGate([&] { return open; });
  timer.setEnabled(true);
  test::runEventsFor(30);
  EXPECT_EQ(ticks, 0) << "closed gate";

  open = true;
  test::runEventsFor(30);
  EXPECT_EQ(ticks, 0) << "the gate is only looked at again when told";
  timer.gateChanged();
  EXPECT_TRUE(test::runEventsUntil([&] { return ticks >= 3; }, 2000))
      << "an open gate keeps ticking at the interval, as a poll would";

  timer.setEnabled(false);
  const int whileDisabled = ticks;
  test::runEventsFor(30);
  EXPECT_EQ(ticks, whileDisabled);
  EXPECT_FALSE(timer.enabled());
}

TEST_F(GatedTimer, AHandlerThatClosesTheGateStopsTheTicks) {
  QtTimer timer;
  bool offered = true;
  int ticks = 0;
  timer.setHandler([&] {
    ++ticks;
    offered = false;  // the capture took the picture
  });
  timer.setInterval(1);
  timer.setGate([&] { return offered; });
  timer.setEnabled(true);  // a picture already offered is caught on enabling
  test::runEventsFor(30);
  EXPECT_EQ(ticks, 1);
}

TEST_F(GatedTimer, AHandlerThatSwitchesItsTimerOffAndOnKeepsTheInterval) {
  // The first tick after the gate opens comes at once; one from inside the handler
  // must not, or the timer would spin instead of ticking at its interval.
  QtTimer timer;
  int ticks = 0;
  timer.setHandler([&] {
    ++ticks;
    timer.setEnabled(false);
    timer.setEnabled(true);
  });
  timer.setInterval(50);
  timer.setGate([] { return true; });
  timer.setEnabled(true);
  test::runEventsFor(200);
  EXPECT_GE(ticks, 1);
  EXPECT_LT(ticks, 10);
}

TEST_F(GatedTimer, UngatedTimerIsAPlainIntervalTimer) {
  QtTimer timer;
  int ticks = 0;
  timer.setHandler([&] { ++ticks; });
  timer.setInterval(5);
  EXPECT_EQ(timer.interval(), 5);
  test::runEventsFor(20);
  EXPECT_EQ(ticks, 0) << "timers start disabled";
  timer.setEnabled(true);
  EXPECT_TRUE(test::runEventsUntil([&] { return ticks >= 2; }, 2000));
}

}  // namespace
}  // namespace snaprill
