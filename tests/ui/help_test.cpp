// Which part of the manual each control opens, and when the help items show.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
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

}  // namespace
}  // namespace snaprill
