// The pages' commands that reach beyond one control: the output folder chosen and
// written at once, the font chosen and written at once, the overlay picture loaded
// and cleared, settings files loaded and saved from the File menu.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <fstream>

#include "base/byte_sink.h"
#include "formats/bmp/bmp_file.h"
#include "formats/ini/ini_file.h"
#include "support/pictures.h"
#include "ui/link_label.h"
#include "ui/option_pages.h"
#include "window_fixture.h"

namespace snaprill {
namespace {

using test::WindowTest;
using test::writeFile;

TEST_F(WindowTest, AChosenOutputFolderGetsItsSlashAndIsWrittenAtOnce) {
  startedWindow();
  auto* useChosenDir = find<QRadioButton>("useChosenDir");
  auto* changeDirLink = find<LinkLabel>("changeDirLink");
  EXPECT_FALSE(changeDirLink->isEnabled());
  choosers.nextDirectory = QString::fromStdString(dir.path() + "shots");
  useChosenDir->click();
  EXPECT_EQ(h.options.text(Option::outputDir), dir.path() + "shots/");
  EXPECT_EQ(IniFile::fromFile(settingsFile()).value("General", "OutputDir"), dir.path() + "shots/");
  EXPECT_TRUE(changeDirLink->isEnabled());
  EXPECT_TRUE(useChosenDir->isChecked());
  // Cancelled: nothing changes.
  choosers.nextDirectory.reset();
  emit changeDirLink->clicked();
  EXPECT_EQ(h.options.text(Option::outputDir), dir.path() + "shots/");
  // "Default" puts the program's own folder back.
  find<QRadioButton>("useDefaultDir")->click();
  EXPECT_EQ(h.options.text(Option::outputDir), h.platform.dirs.defaultOutput);
  EXPECT_FALSE(changeDirLink->isEnabled());
}

TEST_F(WindowTest, AChosenFontBecomesTheCaptureTextsFontAndIsWrittenAtOnce) {
  startedWindow();
  QFont chosen(QStringLiteral("DejaVu Serif"));
  chosen.setPointSize(14);
  chosen.setItalic(true);
  choosers.nextFont = chosen;
  emit find<LinkLabel>("changeFontLink")->clicked();
  ASSERT_TRUE(choosers.fontAsked.has_value());
  EXPECT_EQ(choosers.fontAsked->pointSize(), 8);
  EXPECT_TRUE(choosers.fontAsked->bold());
  EXPECT_EQ(h.options.text(Option::textFontName), "DejaVu Serif");
  EXPECT_EQ(h.options.value(Option::textFontSize), 14);
  EXPECT_EQ(h.options.value(Option::textFontStyle), kTextItalic);
  const IniFile saved = IniFile::fromFile(settingsFile());
  EXPECT_EQ(saved.value("Images", "Font"), "DejaVu Serif");
  EXPECT_EQ(saved.value("Images", "FontSize"), "14");
}

TEST_F(WindowTest, TheOverlayPictureIsLoadedShownAndClearedFromItsMenu) {
  startedWindow();
  const std::string file = dir.path() + "overlay.bmp";
  {
    MemorySink sink;
    writeBmp(testing::samplePicture(30, 20), sink);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(sink.bytes.data()),
               static_cast<std::streamsize>(sink.bytes.size()));
  }
  h.dialogs.nextFile = file;
  emit find<LinkLabel>("loadOverlayLink")->clicked();
  EXPECT_EQ(h.state.overlay.picture().width(), 30);
  auto* preview = find<QLabel>("overlayPreview");
  EXPECT_FALSE(preview->pixmap().isNull());
  find<QAction>("clearOverlayAction")->trigger();
  EXPECT_TRUE(h.state.overlay.empty());
  EXPECT_TRUE(preview->pixmap().isNull());
}

TEST_F(WindowTest, SettingsFilesAreSavedAndLoadedFromTheFileMenu) {
  MainWindow& w = startedWindow();
  h.options.setText(Option::filePrefix, "saved");
  w.move(30, 20);
  h.dialogs.nextFile = dir.path() + "mine.snp";
  w.saveSettingsAs();
  const IniFile saved = IniFile::fromFile(dir.path() + "mine.snp");
  EXPECT_EQ(saved.value("General", "FilenamePrefix"), "saved");
  EXPECT_EQ(saved.value("Snaprill", "Left"), "30");

  // A full load: the type brings its page, the place moves the window.
  writeFile(dir.path() + "other.snp", "[Snaprill]\nImageType=5\nTop=90\nLeft=80\n");
  h.dialogs.nextFile = dir.path() + "other.snp";
  w.loadChosenSettings();
  EXPECT_EQ(h.options.value(Option::outputType), kTiff);
  EXPECT_EQ(h.options.text(Option::filePrefix), "snp");
  EXPECT_EQ(w.optionPages().currentWidget(), w.optionPages().tiffTgaBmpPage());
  EXPECT_EQ(w.pos(), QPoint(80, 90));
  // A file without a place leaves the window where it is.
  writeFile(dir.path() + "plain.snp", "[General]\nFilenamePrefix=x\n");
  h.dialogs.nextFile = dir.path() + "plain.snp";
  w.move(60, 50);
  w.loadChosenSettings();
  EXPECT_EQ(w.pos(), QPoint(60, 50));
}

}  // namespace
}  // namespace snaprill
