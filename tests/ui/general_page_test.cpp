// The General page as settings files leave it: the example file name and the two
// number choices name the file the next capture gets, and the folder choice says
// which folder is in use.
#include <QLabel>
#include <QRadioButton>
#include <filesystem>

#include "ui/link_label.h"
#include "window_fixture.h"

namespace snaprill {
namespace {

using test::WindowTest;
using test::writeFile;

TEST_F(WindowTest, TheExampleNameFollowsPrefixZerosAndType) {
  writeFile(settingsFile(),
            "[Snaprill]\nImageType=1\n[General]\nFilenamePrefix=shot_\nAddZeros=1\n");
  startedWindow();
  auto* example = find<QLabel>("exampleFileName");
  auto* plainNumbers = find<QRadioButton>("plainNumbers");
  auto* zeroPadNumbers = find<QRadioButton>("zeroPadNumbers");
  EXPECT_EQ(example->text(), QStringLiteral("shot_00001.png"));
  EXPECT_EQ(plainNumbers->text(), QStringLiteral("Don't add zeros to filename (shot_1.png)"));
  EXPECT_EQ(zeroPadNumbers->text(), QStringLiteral("Add zeros to filename (shot_00001.png)"));

  h.options.setValue(Option::outputType, kAvi);
  h.options.setChecked(Option::saveAnimation, true);
  EXPECT_EQ(example->text(), QStringLiteral("shot_00001.avi"));
  // Single pictures of the AVI type are GIF files.
  h.options.setChecked(Option::saveAnimation, false);
  EXPECT_EQ(example->text(), QStringLiteral("shot_00001.gif"));
  plainNumbers->click();
  EXPECT_EQ(example->text(), QStringLiteral("shot_1.gif"));

  // A language applied later keeps the names in its captions.
  writeFile(dir.path() + "lang.ini", "[Filename]\nNoZeros=Ilma (%EX)\n");
  h.settings.loadLanguage(dir.path() + "lang.ini");
  EXPECT_EQ(plainNumbers->text(), QStringLiteral("Ilma (shot_1.gif)"));
  EXPECT_EQ(zeroPadNumbers->text(), QStringLiteral("Add zeros to filename (shot_00001.gif)"));
}

TEST_F(WindowTest, TheFolderChoiceSaysWhetherTheFolderInUseIsTheDefault) {
  const std::string chosen = dir.path() + "shots/";
  std::filesystem::create_directory(chosen);
  writeFile(settingsFile(), "[General]\nOutputDir=" + chosen + "\n");
  startedWindow();
  auto* useDefaultDir = find<QRadioButton>("useDefaultDir");
  auto* useChosenDir = find<QRadioButton>("useChosenDir");
  EXPECT_TRUE(useChosenDir->isChecked());
  EXPECT_FALSE(useDefaultDir->isChecked());
  EXPECT_TRUE(find<LinkLabel>("changeDirLink")->isEnabled());

  useDefaultDir->click();
  EXPECT_EQ(h.options.text(Option::outputDir), h.platform.dirs.defaultOutput);
  EXPECT_TRUE(useDefaultDir->isChecked());

  // File > Load Settings: the chosen folder again, then a file without a folder.
  const std::string saved = dir.path() + "saved.snp";
  writeFile(saved, "[General]\nOutputDir=" + chosen + "\n");
  h.dialogs.nextFile = saved;
  window().loadChosenSettings();
  EXPECT_TRUE(useChosenDir->isChecked());
  EXPECT_FALSE(useDefaultDir->isChecked());
  writeFile(saved, "[General]\nAddZeros=1\n");
  window().loadChosenSettings();
  EXPECT_EQ(h.options.text(Option::outputDir), h.platform.dirs.defaultOutput);
  EXPECT_TRUE(useDefaultDir->isChecked());
  EXPECT_FALSE(find<LinkLabel>("changeDirLink")->isEnabled());
}

}  // namespace
}  // namespace snaprill
