// The about box: its credits whole in every language, its timer running only while
// it is shown, the running time appearing for "VUX" alone, and its texts from the
// language.
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

#include "base/product.h"
#include "options/desktop_language.h"
#include "support/source_files.h"
#include "ui/about_box.h"
#include "ui/link_label.h"
#include "window_fixture.h"

namespace snaprill {
namespace {

using test::WindowTest;
using test::writeFile;

// The credits once scrolled through a strip narrower than their line, so that no
// screenshot ever showed one whole ("Prog…", "…giflib and…"): each stands still,
// wrapped within the box at its default size, in every shipped language.
TEST_F(WindowTest, EveryCreditsLineIsWholeInTheBoxAtItsDefaultSizeInEveryLanguage) {
  AboutBox& box = window().aboutBox();
  for (const ShippedLanguage& language : shippedLanguages()) {
    SCOPED_TRACE(language.file);
    h.settings.loadLanguage(test::sourcePath(std::string("data/") + language.file));
    box.show();
    QCoreApplication::processEvents();
    auto* credits = box.findChild<QLabel*>(QStringLiteral("creditsArea"));
    ASSERT_NE(credits, nullptr);
    const QStringList lines = box.creditsText().split(QLatin1Char('\n'));
    EXPECT_EQ(lines.size(), 3);
    EXPECT_TRUE(box.rect().contains(credits->geometry()));
    EXPECT_GE(credits->height(), credits->heightForWidth(credits->width()));
    // Nor does their height squeeze the quick help below them.
    auto* help = box.findChild<QWidget*>(QStringLiteral("quickHelpGroup"));
    EXPECT_GE(help->height(), help->minimumSizeHint().height());
    EXPECT_TRUE(box.rect().contains(help->geometry()));
    for (const QString& line : lines) {
      EXPECT_FALSE(line.trimmed().isEmpty());
      // Wrapped, no part of it (a word too long to wrap) runs past the edge.
      const QRect wrapped = credits->fontMetrics().boundingRect(
          QRect(0, 0, credits->width(), 100000), Qt::TextWordWrap, line);
      EXPECT_LE(wrapped.width(), credits->width()) << line.toStdString();
    }
    box.hide();
  }
  EXPECT_FALSE(box.uptimeTimer().isActive());
}

TEST_F(WindowTest, OnlyVuxInCapitalsRevealsTheRunningTimeForTheRestOfTheRun) {
  startedWindow();
  AboutBox& box = window().aboutBox();
  auto* uptime = box.findChild<QLabel*>(QStringLiteral("uptimeLabel"));
  h.options.setText(Option::captureText, "vux");
  h.options.setText(Option::captureText, "VUX ");
  EXPECT_FALSE(box.uptimeRevealed());
  box.show();
  EXPECT_FALSE(uptime->isVisible());
  EXPECT_FALSE(box.uptimeTimer().isActive());
  box.hide();
  h.options.setText(Option::captureText, "VUX");
  h.options.setText(Option::captureText, "");
  box.show();
  EXPECT_TRUE(uptime->isVisible());
  EXPECT_TRUE(box.uptimeTimer().isActive());
  EXPECT_TRUE(uptime->text().startsWith(QString::fromUtf8("T\xC3\xB6\xC3\xB6tab: 00:00:")));
  box.hide();
  EXPECT_FALSE(box.uptimeTimer().isActive());
}

TEST(AboutBoxText, RunsLongerThanADayCountTheirDays) {
  EXPECT_EQ(AboutBox::formatUptime(0), QString::fromUtf8("T\xC3\xB6\xC3\xB6tab: 00:00:00"));
  EXPECT_EQ(AboutBox::formatUptime(23 * 3600000LL + 59 * 60000 + 59999),
            QString::fromUtf8("T\xC3\xB6\xC3\xB6tab: 23:59:59"));
  EXPECT_EQ(AboutBox::formatUptime(3 * 86400000LL + 3661000),
            QString::fromUtf8("T\xC3\xB6\xC3\xB6tab: 3 d 01:01:01"));
}

TEST_F(WindowTest, TheAboutBoxTakesItsTextsAndQuickHelpFromTheLanguage) {
  AboutBox& box = window().aboutBox();
  writeFile(dir.path() + "deutsch.ini",
            "[Info]\nProgrammer=Geschrieben von\n[Language]\nTranslatedBy=#Someone% "
            "(someone@example.org)\n[QuickHelp]\nLineCount=2\nLine1=Erste Zeile der Hilfe\n");
  h.settings.loadLanguage(dir.path() + "deutsch.ini");
  box.show();
  const QString credits = box.creditsText();
  EXPECT_TRUE(credits.startsWith(QStringLiteral("Geschrieben von: ")));
  EXPECT_TRUE(credits.endsWith(QStringLiteral("Translated by: Someone (someone@example.org)")));
  EXPECT_TRUE(credits.contains(QStringLiteral("Thanks to: ")));
  EXPECT_EQ(box.findChild<QPlainTextEdit*>(QStringLiteral("quickHelpView"))->toPlainText(),
            QStringLiteral("Erste Zeile der Hilfe\n"));
  // A link only to a home page the build names, opened by the desktop's opener.
  auto* link = box.findChild<LinkLabel*>(QStringLiteral("homePageLink"));
  EXPECT_EQ(link->isVisible(), !homePage().empty());
  box.openHomePage();
  if (homePage().empty()) {
    EXPECT_TRUE(h.launcher.launches.empty());
  } else {
    ASSERT_EQ(h.launcher.launches.size(), 1u);
    EXPECT_EQ(h.launcher.launches[0].program, "xdg-open");
  }
  box.hide();
}

TEST(QuickHelp, TheBoxShowsTheLinesTheLanguageKept) {
  Texts texts;
  EXPECT_EQ(quickHelpLines(texts).size(), 2);  // the built-in lines
  texts.quickHelpLines = {std::string(18, 'x'), "", "\xc3\xa4"};
  EXPECT_EQ(quickHelpLines(texts),
            (QStringList{QString(18, 'x'), QString(), QString::fromUtf8("\xc3\xa4")}));
}

}  // namespace
}  // namespace snaprill
