// Colours that must stay readable on light and dark themes: the contrast measure
// itself, and what the windows pick under a light and a dark palette (the Start
// link, the capture-text field, the area window's readout, the type picker's rows).
#include <QLabel>
#include <QLineEdit>
#include <QStyle>

#include "ui/area_chooser.h"
#include "ui/link_label.h"
#include "ui/readable_colour.h"
#include "ui/type_picker.h"
#include "window_fixture.h"

namespace snaprill {
namespace {

struct Pair {
  QColor first, second;
  double ratio;
};

TEST(ReadableColour, ContrastFollowsTheAccessibilityMeasure) {
  const Pair pairs[] = {
      {Qt::black, Qt::white, 21.0},
      {Qt::white, Qt::white, 1.0},
      {QColor(0x00, 0x00, 0x80), Qt::white, 16.0},                 // navy
      {QColor(0x00, 0x80, 0x00), QColor(0x35, 0x35, 0x35), 2.39},  // green on dark grey
      {QColor(0x77, 0x77, 0x77), Qt::white, 4.48},  // the classic just-too-light grey
  };
  for (const Pair& pair : pairs) {
    EXPECT_NEAR(contrastRatio(pair.first, pair.second), pair.ratio, 0.02)
        << pair.first.name().toStdString() << " on " << pair.second.name().toStdString();
    EXPECT_DOUBLE_EQ(contrastRatio(pair.first, pair.second),
                     contrastRatio(pair.second, pair.first));
  }
}

TEST(ReadableColour, ThePreferredColourWhereItReadsElseBlackOrWhite) {
  const QColor navy(0x00, 0x00, 0x80);
  EXPECT_EQ(readableAgainst(Qt::white, {navy, Qt::yellow}), navy);
  EXPECT_EQ(readableAgainst(QColor(0x20, 0x20, 0x20), {navy, Qt::yellow}), QColor(Qt::yellow));
  EXPECT_EQ(readableAgainst(QColor(0x20, 0x20, 0x20), {navy}), QColor(Qt::white));
  EXPECT_EQ(readableAgainst(QColor(0xE0, 0xE0, 0xE0), {Qt::white}), QColor(Qt::black));
  // Every grey has black or white at 4.5:1 or more.
  for (int level = 0; level < 256; level += 5) {
    const QColor grey(level, level, level);
    EXPECT_GE(contrastRatio(readableAgainst(grey, {}), grey), kReadableContrast) << level;
  }
}

QPalette darkPalette() {
  QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x2A, 0x2A, 0x2A));
  dark.setColor(QPalette::WindowText, QColor(0xEE, 0xEE, 0xEE));
  dark.setColor(QPalette::Text, QColor(0xEE, 0xEE, 0xEE));
  dark.setColor(QPalette::ButtonText, QColor(0xEE, 0xEE, 0xEE));
  dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
  dark.setColor(QPalette::Highlight, QColor(0x2A, 0x82, 0xDA));
  dark.setColor(QPalette::HighlightedText, Qt::white);
  dark.setColor(QPalette::Link, QColor(0x2A, 0x82, 0xDA));
  return dark;
}

class ContrastTest : public test::WindowTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    saved_ = QApplication::palette();
    QApplication::setPalette(GetParam() ? darkPalette() : QApplication::style()->standardPalette());
  }
  void TearDown() override { QApplication::setPalette(saved_); }

 private:
  QPalette saved_;
};

TEST_P(ContrastTest, DecorationColoursReadOnTheTheme) {
  const bool dark = GetParam();
  startedWindow();
  const QPalette palette = QApplication::palette();

  const LinkLabel* start = find<LinkLabel>("startStopLink");
  const QColor link = start->palette().color(QPalette::Link);
  EXPECT_GE(contrastRatio(link, start->palette().color(QPalette::Window)), kReadableContrast);
  if (!dark) {
    EXPECT_EQ(link, QColor(0x00, 0x00, 0x80)) << "navy where the theme is light";
  }

  // The default capture text is green, without a background colour.
  const QLineEdit* caption = find<QLineEdit>("captureText");
  EXPECT_GE(contrastRatio(caption->palette().color(QPalette::Text),
                          caption->palette().color(QPalette::Base)),
            kReadableContrast);

  const ReadoutColours readout = readoutColours(palette);
  EXPECT_GE(contrastRatio(readout.text, readout.fill), kReadableContrast);
  EXPECT_EQ(readout.fill.lightness() > 128, !dark) << "the wash follows the theme";

  // Each row name on the middle of its row's picture, highlighted row included.
  TypePicker& picker = window().typePicker();
  picker.open(find<QWidget>("typePanel"), nullptr);
  const QList<QLabel*> labels = picker.findChildren<QLabel*>();
  int checked = 0;
  for (const QLabel* picture : labels) {
    if (picture->pixmap().isNull()) continue;
    const QImage image = picture->pixmap().toImage();
    const QColor behind = image.pixelColor(image.width() / 2, image.height() / 2);
    for (const QLabel* name : labels) {
      if (name->text().isEmpty() || name->geometry() != picture->geometry()) continue;
      EXPECT_GE(contrastRatio(name->palette().color(QPalette::WindowText), behind),
                kReadableContrast)
          << name->text().toStdString();
      ++checked;
    }
  }
  EXPECT_EQ(checked, TypePicker::kRowCount);
  picker.hide();
}

INSTANTIATE_TEST_SUITE_P(LightAndDark, ContrastTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& theme) {
                           return theme.param ? "Dark" : "Light";
                         });

}  // namespace
}  // namespace snaprill
