// The type picker's roll: its heights tick by tick, the refused first close, the
// row highlight, and a click elsewhere that changes nothing.
#include "ui/type_picker.h"

#include <QCloseEvent>
#include <QLabel>
#include <QSignalSpy>
#include <QStyle>
#include <vector>

#include "ui/type_panel.h"
#include "window_fixture.h"

namespace snaprill {
namespace {

class TypePickerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::ensureApplication(); }

  // Heights after each tick until the roll timer stops.
  std::vector<int> rollToTheEnd() {
    std::vector<int> heights;
    while (picker.rollTimer().isActive() && heights.size() < 100) {
      picker.onRollTick();
      heights.push_back(picker.rolledHeight());
    }
    return heights;
  }

  Options options;
  Texts texts;
  QWidget owner;
  TypePanel* panel = new TypePanel(&owner);
  QWidget* pages = new QWidget(&owner);
  TypePicker picker{options, texts, &owner};
};

TEST_F(TypePickerTest, UnrollsInTenPixelStepsTo290AndRollsUpWithoutAChange) {
  if (!kModernTypesBuilt) GTEST_SKIP() << "built without WebP, AVIF and JPEG XL: nine rows";
  options.setValue(Option::outputType, kTiff);
  owner.show();
  picker.open(panel, pages);
  EXPECT_TRUE(picker.isVisible());
  EXPECT_EQ(picker.rolledHeight(), 0);
  EXPECT_FALSE(pages->isEnabled());
  EXPECT_TRUE(picker.rowHighlighted(6));  // TIFF is the sixth row
  EXPECT_FALSE(picker.rowHighlighted(1));
  EXPECT_EQ(picker.pos(), panel->mapToGlobal(QPoint(0, panel->height())));

  std::vector<int> expected;
  // Twelve rows of 24 pixels below a 3-pixel margin, the last row's gap left out.
  for (int h = 10; h <= 280; h += 10) expected.push_back(h);
  expected.push_back(290);
  EXPECT_EQ(rollToTheEnd(), expected);
  EXPECT_EQ(picker.height(), 290);

  // A press on the panel while the picker is open does nothing.
  picker.open(panel, pages);
  EXPECT_EQ(picker.rolledHeight(), 290);

  // A click elsewhere closes a pop-up; the first close is refused for the roll-up.
  picker.close();
  EXPECT_TRUE(picker.isVisible());
  EXPECT_TRUE(picker.rollingUp());
  EXPECT_FALSE(pages->isEnabled()) << "usable again only once rolled up";
  expected.clear();
  for (int h = 280; h > 0; h -= 10) expected.push_back(h);
  expected.push_back(0);
  EXPECT_EQ(rollToTheEnd(), expected);
  EXPECT_FALSE(picker.isVisible());
  EXPECT_TRUE(pages->isEnabled());
  EXPECT_EQ(options.value(Option::outputType), kTiff);
}

TEST_F(TypePickerTest, ARowSetsItsTypeEvenWhenChosenAlreadyAndRollsUp) {
  QSignalSpy chosen(&picker, &TypePicker::typeChosen);
  owner.show();
  picker.open(panel, pages);
  rollToTheEnd();
  picker.chooseRow(9);
  EXPECT_EQ(options.value(Option::outputType), kPcx);
  EXPECT_EQ(chosen.count(), 1);
  EXPECT_TRUE(picker.rollingUp());
  rollToTheEnd();
  EXPECT_FALSE(picker.isVisible());

  picker.open(panel, pages);
  EXPECT_TRUE(picker.rowHighlighted(9));
  // A close while it still unrolls turns it round at once.
  picker.onRollTick();
  picker.onRollTick();
  picker.chooseRow(9);
  EXPECT_EQ(chosen.count(), 2);
  EXPECT_EQ(rollToTheEnd(), (std::vector<int>{10, 0}));

  // The newer types follow PCX, as their stored numbers do.
  if (!kModernTypesBuilt) return;
  const std::pair<int, int> rows[] = {{10, kWebp}, {11, kAvif}, {12, kJpegXl}};
  for (const auto& [row, type] : rows) {
    picker.open(panel, pages);
    rollToTheEnd();
    picker.chooseRow(row);
    EXPECT_EQ(options.value(Option::outputType), type);
    rollToTheEnd();
  }
}

TEST_F(TypePickerTest, EveryRowNameFitsItsRow) {
  for (const QLabel* label : picker.findChildren<QLabel*>()) {
    if (label->text().isEmpty()) continue;
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
        << label->text().toStdString();
  }
  EXPECT_GE(picker.width(), 167);
}

TEST_F(TypePickerTest, RowPicturesAreDrawnAtTheScreensPixelRatio) {
  // Also run at QT_SCALE_FACTOR 1.5 and 2: a picture made at 1x and stretched
  // looks blurred there.
  owner.show();
  picker.open(panel, pages);
  const qreal ratio = picker.devicePixelRatioF();
  int pictures = 0;
  for (const QLabel* row : picker.findChildren<QLabel*>()) {
    const QPixmap picture = row->pixmap();
    if (picture.isNull()) continue;
    ++pictures;
    EXPECT_EQ(picture.devicePixelRatio(), ratio);
    EXPECT_EQ(picture.size(), (QSizeF(row->size()) * ratio).toSize());
  }
  EXPECT_EQ(pictures, TypePicker::kRowCount);
}

TEST_F(TypePickerTest, FollowsAThemeChangedWhileTheProgramRuns) {
  // Made at the start on one theme, opened later on another.
  const QPalette saved = QApplication::palette();
  const QPalette light = QApplication::style()->standardPalette();
  QPalette dark(QColor(0x30, 0x30, 0x30), QColor(0x20, 0x20, 0x20));
  dark.setColor(QPalette::WindowText, Qt::white);
  owner.show();
  for (const bool toDark : {true, false, true}) {
    QApplication::setPalette(toDark ? dark : light);
    picker.open(panel, pages);
    EXPECT_EQ(picker.palette().color(QPalette::Window),
              toDark ? dark.color(QPalette::Window) : QColor(0xDE, 0xDF, 0xDE));
    picker.hide();
  }
  QApplication::setPalette(saved);
}

}  // namespace
}  // namespace snaprill
