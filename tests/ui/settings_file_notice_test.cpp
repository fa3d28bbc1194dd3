// A main settings file that cannot be used is told once at the start, in the status
// line: no box, since the user has done nothing yet.
#include <QLabel>
#include <filesystem>

#include "ui/settings_file_notice.h"
#include "window_fixture.h"

namespace snaprill::test {

namespace {

QString statusLine(MainWindow& window) {
  return window.findChild<QLabel*>(QStringLiteral("statusLine"))->text();
}

}  // namespace

TEST_F(WindowTest, ASettingsFileThatCannotBeUsedIsToldAtTheStartWithoutABox) {
  std::filesystem::create_directory(settingsFile());
  EXPECT_EQ(statusLine(startedWindow()),
            QString::fromStdString("The settings file " + settingsFile() +
                                   " cannot be read: the default settings are in use, and "
                                   "changes will not be saved."));
  EXPECT_TRUE(h.dialogs.errors.empty());
  EXPECT_TRUE(h.dialogs.messages.empty());
}

TEST(SettingsFileNotice, AFolderThatCannotBeWrittenIsTold) {
  // Nobody, root included, makes files in a process's /proc folder.
  const Texts texts;
  const std::optional<std::string> notice = settingsFileNotice("/proc/self/snaprill.ini", texts);
  ASSERT_TRUE(notice);
  EXPECT_NE(notice->find("/proc/self/snaprill.ini cannot be written"), std::string::npos);
}

TEST_F(WindowTest, AUsableSettingsFileOrNoneYetGivesNoNotice) {
  EXPECT_FALSE(statusLine(startedWindow()).contains(QStringLiteral("settings file")));
}

}  // namespace snaprill::test
