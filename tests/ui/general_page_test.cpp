// The General page as settings files leave it: the example file name and the two
// number choices name the file the next capture gets, and the folder choice says
// which folder is in use.
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <map>

#include "options/desktop_language.h"
#include "support/source_files.h"
#include "ui/link_label.h"
#include "ui/mnemonics.h"
#include "ui/option_pages.h"
#include "ui/ui_texts.h"
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
  EXPECT_EQ(plainCaption(plainNumbers->text()),
            QStringLiteral("Don't add zeros to filename (shot_1.png)"));
  EXPECT_EQ(plainCaption(zeroPadNumbers->text()),
            QStringLiteral("Add zeros to filename (shot_00001.png)"));

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
  EXPECT_EQ(plainCaption(plainNumbers->text()), QStringLiteral("Ilma (shot_1.gif)"));
  EXPECT_EQ(plainCaption(zeroPadNumbers->text()),
            QStringLiteral("Add zeros to filename (shot_00001.gif)"));
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

// Keyboard: the two number choices had no Alt+letter (their captions are rewritten
// as the prefix changes), both "Hotkey" labels answered Alt+O, and Tab entered a
// pair of choices at its first button, chosen or not.
TEST_F(WindowTest, EveryCaptionHasAKeyOfItsOwnAndTabEntersAChoiceAtTheChosenOne) {
  writeFile(settingsFile(), "[General]\nAddZeros=1\n");
  MainWindow& w = startedWindow();
  QWidget* page = w.optionPages().generalPage();
  auto* plainNumbers = find<QRadioButton>("plainNumbers");
  auto* zeroPadNumbers = find<QRadioButton>("zeroPadNumbers");
  // The key stays through the rewrites of the example.
  const QChar plainKey = mnemonicOf(plainNumbers->text());
  EXPECT_FALSE(plainKey.isNull());
  h.options.setText(Option::filePrefix, "other_");
  EXPECT_EQ(mnemonicOf(plainNumbers->text()), plainKey);
  EXPECT_EQ(plainCaption(plainNumbers->text()),
            QStringLiteral("Don't add zeros to filename (other_1.jpg)"));
  // In every shipped language: each caption of the page with a key no other uses.
  for (const ShippedLanguage& language : shippedLanguages()) {
    SCOPED_TRACE(language.file);
    h.settings.loadLanguage(test::sourcePath(std::string("data/") + language.file));
    std::map<QChar, QStringList> keys;
    for (QWidget* widget : page->findChildren<QWidget*>()) {
      auto* label = qobject_cast<QLabel*>(widget);
      auto* button = qobject_cast<QAbstractButton*>(widget);
      if (label && label->buddy()) keys[mnemonicOf(label->text())] << label->text();
      if (button && button->text().size() > 1) keys[mnemonicOf(button->text())] << button->text();
    }
    for (const auto& [key, captions] : keys) {
      EXPECT_FALSE(key.isNull()) << "without a key: " << captions.join('|').toStdString();
      EXPECT_EQ(captions.size(), 1) << "one key for " << captions.join('|').toStdString();
    }
  }

  if (!w.optionPagesShown()) w.toggleOptionPages();
  w.optionPages().setCurrentWidget(page);
  w.show();
  QApplication::setActiveWindow(&w);
  auto* prefix = find<QLineEdit>("filePrefix");
  for (const bool zeros : {true, false}) {
    h.options.setChecked(Option::zeroPadNumbers, zeros);  // as a settings file would
    prefix->setFocus();
    QTest::keyClick(prefix, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), zeros ? zeroPadNumbers : plainNumbers)
        << QApplication::focusWidget()->objectName().toStdString();
  }
}

}  // namespace
}  // namespace snaprill
