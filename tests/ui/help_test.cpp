// Which part of the manual each control opens, and when the help items show.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ui/help_topics.h"
#include "window_fixture.h"

namespace snaprill {
namespace {

using test::WindowTest;

QAction* helpFileItem(MainWindow& w) {
  const QList<QAction*> menus = w.menuBar()->actions();
  return menus.last()->menu()->actions().last();
}

TEST_F(WindowTest, EveryControlOpensItsOwnTopicOrItsGroupsOrTheWindows) {
  MainWindow& w = startedWindow();
  const std::pair<const char*, int> controls[] = {
      {"autoSaveHelpButton", 11}, {"filePrefix", 8},      {"qualityBar", 17},
      {"typePanel", 14},          {"statusLine", 15},     {"advancedLink", 13},
      {"textPosition", 19},       {"galleryAlign", 29},   {"automationUnit", 23},
      {"tiffDepth", 20},          {"overlayPreview", 25}, {"hideWindowLink", 1}};
  for (const auto& [name, topic] : controls) {
    EXPECT_EQ(helpTopicOf(find<QWidget>(name)), topic) << name;
  }
  EXPECT_EQ(helpTopicOf(&w), 1);
  EXPECT_EQ(helpTopicOf(nullptr), 1);
  EXPECT_EQ(helpTopicUrl("/usr/share/snaprill/snaprill-manual.html", 11).toString(),
            QStringLiteral("file:///usr/share/snaprill/snaprill-manual.html#topic-11"));
  EXPECT_EQ(helpTopicUrl("/a b/m.html", 0).toEncoded(), QByteArray("file:///a%20b/m.html"));
}

TEST_F(WindowTest, HelpItemsShowOnlyWhileTheManualExists) {
  MainWindow& w = startedWindow();
  const std::string language = dir.path() + "lang.ini";
  std::ofstream(language) << "[Help]\nHelpFile=manual.html\n";
  h.settings.loadLanguage(language);
  EXPECT_FALSE(helpFileItem(w)->isVisible());
  EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowContextHelpButtonHint));

  std::ofstream(dir.path() + "manual.html") << "<html></html>";
  h.settings.loadLanguage(language);
  EXPECT_TRUE(helpFileItem(w)->isVisible());
  EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowContextHelpButtonHint));
  EXPECT_TRUE(w.isVisible());  // the new flags did not hide it
  EXPECT_EQ(h.texts.helpFile, dir.path() + "manual.html");
}

// xdg-open on PATH, made to end with status; nothing at all for a negative one.
void useOpener(const std::string& bin, int status) {
  std::filesystem::create_directories(bin);
  std::filesystem::remove(bin + "xdg-open");
  if (status < 0) return;
  std::ofstream(bin + "xdg-open") << "#!/bin/sh\nexit " << status << "\n";
  std::filesystem::permissions(bin + "xdg-open", std::filesystem::perms::owner_all);
}

TEST_F(WindowTest, AManualNoBrowserShowsIsToldOnce) {
  MainWindow& w = startedWindow();
  const std::string manual = dir.path() + "manual.html";
  std::ofstream(manual) << "<html></html>";
  std::ofstream(dir.path() + "lang.ini") << "[Help]\nHelpFile=manual.html\n";
  h.settings.loadLanguage(dir.path() + "lang.ini");
  const std::string bin = dir.path() + "bin/";
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  ::setenv("PATH", bin.c_str(), 1);
  const std::string told =
      "The help file " + manual + " could not be opened: no program to show it was found.";

  useOpener(bin, 3);  // xdg-open's "no browser"
  w.openHelpTopic(kAutoSaveTopic);
  ASSERT_TRUE(QTest::qWaitFor([this] { return !h.dialogs.errors.empty(); }, 5000));
  EXPECT_EQ(h.dialogs.errors[0], told);

  useOpener(bin, -1);  // no xdg-open at all: told at once
  w.openHelpTopic(0);
  EXPECT_EQ(h.dialogs.errors.size(), 2u);
  useOpener(bin, 0);
  w.openHelpTopic(kAutoSaveTopic);
  QTest::qWait(500);  // the opener's success brings nothing
  ::setenv("PATH", oldPath.c_str(), 1);
  EXPECT_EQ(h.dialogs.errors.size(), 2u);
}

}  // namespace
}  // namespace snaprill
