// The area chooser on a scaled desktop: the crop and resize fields count the
// screen's own pixels, the window stands in logical ones. Run once as it is and
// again as extra test entries at QT_SCALE_FACTOR 1.5 and 2 and on two screens of
// different ratios (tests/CMakeLists.txt); SNAPRILL_EXPECTED_RATIO says which ratio
// the run must really have, so that a scale that did not take cannot pass.
#include "ui/area_chooser.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <cmath>

#include "ui/screen_pixels.h"
#include "window_fixture.h"

namespace snaprill {
namespace {

class AreaChooserScaleTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::ensureApplication(); }

  // Opens the crop window on the crop rectangle, lets act move it, closes it.
  template <class F>
  void chooseCrop(const QRect& crop, F act) {
    options.setValue(Option::cropLeft, crop.left());
    options.setValue(Option::cropTop, crop.top());
    options.setValue(Option::cropWidth, crop.width());
    options.setValue(Option::cropHeight, crop.height());
    // Acts once the window stands framed, as a user would.
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* area = qobject_cast<AreaChooser*>(widget); area && area->placed()) {
          poll.stop();
          act(*area);
          area->close();
        }
      }
    });
    poll.start();
    chooseCropArea(options, texts, nullptr);
  }

  QRect cropFields() const {
    return {options.value(Option::cropLeft), options.value(Option::cropTop),
            options.value(Option::cropWidth), options.value(Option::cropHeight)};
  }

  Options options;
  Texts texts;
};

TEST_F(AreaChooserScaleTest, TheRunHasTheScreensItWasStartedFor) {
  const QByteArray expected = qgetenv("SNAPRILL_EXPECTED_RATIO");
  if (expected.isEmpty()) GTEST_SKIP() << "an unscaled run";
  const QList<QScreen*> screens = QGuiApplication::screens();
  const QList<QByteArray> ratios = expected.split(',');
  ASSERT_EQ(screens.size(), ratios.size());
  for (qsizetype i = 0; i < screens.size(); ++i) {
    EXPECT_DOUBLE_EQ(screens[i]->devicePixelRatio(), ratios[i].toDouble()) << "screen " << i;
  }
}

TEST_F(AreaChooserScaleTest, FieldsAreInTheScreensOwnPixelsBothWays) {
  for (const QScreen* screen : QGuiApplication::screens()) {
    const double ratio = screen->devicePixelRatio();
    const QRect device = deviceGeometry(*screen);
    SCOPED_TRACE(screen->name().toStdString() + " at ratio " + std::to_string(ratio));
    // An area framed on this screen, 800 x 400 at 400, 300 from its corner.
    const QRect crop(device.topLeft() + QPoint(400, 300), QSize(800, 400));
    QRect logical, measured;
    chooseCrop(crop, [&](AreaChooser& area) {
      logical = area.frameGeometry();
      measured = area.outerGeometry();
    });
    // Where the ratio is not whole, the nearest place the window can stand.
    const int slack = static_cast<int>(ratio) == ratio ? 0 : 1;
    EXPECT_LE((measured.topLeft() - crop.topLeft()).manhattanLength(), 2 * slack);
    EXPECT_LE(
        std::abs(measured.width() - crop.width()) + std::abs(measured.height() - crop.height()),
        2 * slack);
    // The window really stands at the logical size: 400 x 200 at a ratio of 2.
    EXPECT_EQ(logical.size(), QSize(static_cast<int>(std::lround(800 / ratio)),
                                    static_cast<int>(std::lround(400 / ratio))));
    EXPECT_EQ(cropFields(), crop) << "closed untouched, the fields stay";

    // Moved and sized by the user in logical pixels, the fields get the screen's.
    const QPoint logicalCorner = screen->geometry().topLeft();
    QSize outerLogical;
    chooseCrop(crop, [&](AreaChooser& area) {
      area.move(logicalCorner + QPoint(100, 60));
      area.resize(300, 150);
      outerLogical = area.frameGeometry().size();  // with the frame, if any
    });
    const auto times = [ratio](int logicalPixels) {
      return static_cast<int>(std::lround(logicalPixels * ratio));
    };
    EXPECT_EQ(cropFields(),
              QRect(device.topLeft() + QPoint(times(100), times(60)),
                    QSize(times(outerLogical.width()), times(outerLogical.height()))));
  }
}

TEST_F(AreaChooserScaleTest, OddValuesComeBackUnchangedWhenTheWindowWasNotTouched) {
  // At a ratio of 1.5 or 2 the window cannot stand at every device pixel; an
  // untouched window still must not nudge the fields.
  const QRect crop(401, 301, 801, 399);
  chooseCrop(crop, [](AreaChooser&) {});
  EXPECT_EQ(cropFields(), crop);
}

struct Conversion {
  QRect logical;
  QPoint corner;
  double ratio;
  QRect device;
};

TEST(ScreenPixels, ConvertAboutTheScreensCornerAndBack) {
  const Conversion cases[] = {
      {{200, 150, 400, 200}, {0, 0}, 2.0, {400, 300, 800, 400}},
      {{200, 150, 400, 200}, {0, 0}, 1.0, {200, 150, 400, 200}},
      // A second screen at 1920: its corner stays, what lies right of it scales.
      {{2120, 150, 400, 200}, {1920, 0}, 2.0, {2320, 300, 800, 400}},
      {{100, 100, 200, 100}, {0, 0}, 1.5, {150, 150, 300, 150}},
      // Left of and above the corner (a window dragged partly off the screen).
      {{-15, -10, 100, 50}, {0, 0}, 2.0, {-30, -20, 200, 100}},
  };
  for (const Conversion& c : cases) {
    EXPECT_EQ(toDevicePixels(c.logical, c.corner, c.ratio), c.device) << c.ratio;
    EXPECT_EQ(toLogicalPixels(c.device, c.corner, c.ratio), c.logical) << c.ratio;
  }
}

}  // namespace
}  // namespace snaprill
