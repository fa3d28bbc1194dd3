// The General page as settings files leave it: the example file name and the two
// number choices name the file the next capture gets.
#include <QLabel>
#include <QRadioButton>

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

}  // namespace
}  // namespace snaprill
