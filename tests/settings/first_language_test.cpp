// With no language chosen yet, a start shows the desktop's language when we ship
// it; the user's choice, once stored, stays whatever the desktop says.
#include <gtest/gtest.h>

#include <string>

#include "settings/settings_file.h"
#include "support/locale_environment.h"
#include "support/settings_harness.h"

namespace snaprill {
namespace {

TEST(FirstLanguage, FollowsTheDesktopUntilTheUserChoosesOne) {
  test::TempDir dir;
  test::Harness h{dir.path()};
  test::writeFile(dir.path() + "german.ini", "[Main]\nAdvOptions=Erweiterte Optionen\n");
  const std::string mainFile = h.settings.mainFile();

  struct Case {
    const char* lang;
    const char* stored;  // [Language] LangFile, or nothing
    std::string applied;
  };
  const Case cases[] = {
      {"de_DE.UTF-8", nullptr, dir.path() + "german.ini"},
      // Shipped, but not beside this program: English.
      {"fr_FR.UTF-8", nullptr, dir.path() + "english.ini"},
      {"de_DE.UTF-8", "/x/estonian.ini", "/x/estonian.ini"},
      {"fr_FR.UTF-8", "/x/english.ini", "/x/english.ini"},
  };
  for (const Case& c : cases) {
    const test::LocaleEnvironment locale(c.lang);
    test::writeFile(mainFile, c.stored ? std::string("[Language]\nLangFile=") + c.stored + "\n"
                                       : std::string("[Snaprill]\n"));
    EXPECT_EQ(h.settings.loadStartup(mainFile).languageFile, c.applied) << c.lang;
    EXPECT_EQ(h.texts.languageFile, c.applied);
  }
  // Nothing was written for the user: the desktop's language is not a choice.
  const test::LocaleEnvironment german("de_DE.UTF-8");
  test::writeFile(mainFile, "[Snaprill]\n");
  h.settings.loadStartup(mainFile);
  EXPECT_EQ(h.texts.get("Main", "AdvOptions"), "Erweiterte Optionen");
  EXPECT_EQ(test::readFile(mainFile).find("LangFile"), std::string::npos);
}

}  // namespace
}  // namespace snaprill
