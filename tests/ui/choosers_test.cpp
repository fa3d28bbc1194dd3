// The windows that choose for the main window: the directory chooser, the area
// chooser (on the offscreen platform, where windows have no frame), and the gallery
// started from its button.
#include <QDir>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "formats/ini/ini_file.h"
#include "ui/area_chooser.h"
#include "ui/directory_chooser.h"
#include "ui/link_label.h"
#include "window_fixture.h"

namespace snaprill {
namespace {

using test::WindowTest;

// Runs action on the next turn of the event loop, inside whatever modal loop a
// window is running then.
template <class F>
void soon(F action) {
  QTimer::singleShot(0, qApp, action);
}

template <class W>
W* openWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* window = qobject_cast<W*>(widget); window && window->isVisible()) return window;
  }
  return nullptr;
}

class DirectoryChooserTest : public WindowTest {
 protected:
  DirectoryChooser& chooser() { return window().directoryChooser(); }
  // What the chooser gives when OK is pressed with path selected.
  std::optional<std::string> okOn(const std::string& path) {
    soon([this, path] {
      chooser().selectDir(path);
      chooser().accept();
    });
    return chooser().choose(dir.path());
  }
};

TEST_F(DirectoryChooserTest, OkGivesTheFolderWithOneSlashCancelGivesNothing) {
  EXPECT_EQ(okOn("/"), "/");
  std::filesystem::create_directory(dir.path() + "shots");
  EXPECT_EQ(okOn(dir.path() + "shots"), dir.path() + "shots/");
  soon([this] { chooser().reject(); });
  EXPECT_EQ(chooser().choose(dir.path()), std::nullopt);
  // A folder that is gone opens the chooser at home rather than nowhere.
  soon([this] { chooser().accept(); });
  EXPECT_EQ(chooser().choose(dir.path() + "gone/"), QDir::homePath().toStdString() + "/");
}

TEST_F(DirectoryChooserTest, TheUserSpecifiedButtonWritesTheChosenFolderAtOnce) {
  startedWindow();
  choosers.realDirectoryChooser = true;
  std::filesystem::create_directory(dir.path() + "shots");
  soon([this] {
    chooser().selectDir(dir.path() + "shots");
    chooser().accept();
  });
  find<QRadioButton>("useChosenDir")->click();
  EXPECT_EQ(h.options.text(Option::outputDir), dir.path() + "shots/");
  EXPECT_EQ(IniFile::fromFile(settingsFile()).value("General", "OutputDir"), dir.path() + "shots/");
}

TEST_F(DirectoryChooserTest, NewDirectoryMakesOneLevelAndSaysWhetherItCould) {
  std::vector<std::string> asked;
  std::string answer;
  chooser().askName = [&](const QString& title, const QString& prompt, const std::string& initial) {
    asked = {title.toStdString(), prompt.toStdString(), initial};
    return std::optional<std::string>(answer);
  };
  chooser().selectDir(dir.path());
  // Unchanged, the prompt names the selected folder itself, which exists.
  answer = dir.path();
  chooser().createDir();
  EXPECT_EQ(asked, (std::vector<std::string>{"New Directory", "Enter directory name", dir.path()}));
  // The parent is missing: nothing is made, not even the parent.
  answer = dir.path() + "a/b";
  chooser().createDir();
  EXPECT_EQ(h.dialogs.errors,
            (std::vector<std::string>{"Error creating directory", "Error creating directory"}));
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "a"));
  EXPECT_EQ(chooser().selectedDir() + "/", dir.path());

  answer = dir.path() + "new";
  chooser().createDir();
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "new"));
  EXPECT_EQ(chooser().selectedDir(), dir.path() + "new");
  EXPECT_EQ(h.dialogs.messages, std::vector<std::string>{"Directory successfully created"});
  // Return now takes the new folder rather than asking for another.
  EXPECT_EQ(chooser().focusWidget(), chooser().findChild<QWidget*>(QStringLiteral("okButton")));
  // A bare name goes into the selected folder.
  answer = "inner";
  chooser().createDir();
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "new/inner"));
  // Cancelled: nothing asked of the file system.
  chooser().askName = [](const QString&, const QString&, const std::string&) {
    return std::optional<std::string>();
  };
  chooser().createDir();
  EXPECT_EQ(h.dialogs.messages.size() + h.dialogs.errors.size(), 4u);
}

TEST_F(WindowTest, TheCropAreaWindowWritesItsOuterGeometryBackAndNegativesBecomeZero) {
  startedWindow();
  h.options.setValue(Option::cropLeft, 120);
  h.options.setValue(Option::cropTop, 80);
  h.options.setValue(Option::cropWidth, 300);
  h.options.setValue(Option::cropHeight, 200);
  QRect seen, closed;
  QString title;
  soon([&] {
    AreaChooser* area = openWindow<AreaChooser>();
    ASSERT_NE(area, nullptr);
    seen = area->outerGeometry();
    title = area->windowTitle();
    area->move(-30, 40);
    area->resize(310, 190);
    closed = area->outerGeometry();
    area->close();
  });
  emit find<LinkLabel>("chooseCropAreaLink")->clicked();
  EXPECT_EQ(seen, QRect(120, 80, 300, 200));
  EXPECT_EQ(title, QStringLiteral("Resize the window and then close it to save settings"));
  EXPECT_EQ(h.options.value(Option::cropLeft), 0);
  EXPECT_EQ(h.options.value(Option::cropTop), 40);
  // The frame counts: the fields hold the outer size, not the client's.
  EXPECT_EQ(closed.left(), -30);
  EXPECT_EQ(h.options.value(Option::cropWidth), closed.width());
  EXPECT_EQ(h.options.value(Option::cropHeight), closed.height());
  EXPECT_EQ(openWindow<AreaChooser>(), nullptr);
}

TEST_F(WindowTest, TheAreaWindowMovesAndSizesByKeysAndEscapeLeavesTheFields) {
  startedWindow();
  const QRect crop(120, 80, 300, 200);
  struct Case {
    std::vector<std::pair<int, Qt::KeyboardModifiers>> keys;
    QRect written;
  };
  const Case cases[] = {
      // Arrows move by one, Shift by ten; Ctrl sizes; Return keeps.
      {{{Qt::Key_Right, {}},
        {Qt::Key_Down, Qt::ShiftModifier},
        {Qt::Key_Left, Qt::ControlModifier},
        {Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier},
        {Qt::Key_Return, {}}},
       QRect(121, 90, 299, 210)},
      // Escape after moving: the fields keep what they had.
      {{{Qt::Key_Right, {}}, {Qt::Key_Up, Qt::ShiftModifier}, {Qt::Key_Escape, {}}}, crop},
  };
  for (const Case& c : cases) {
    h.options.setValue(Option::cropLeft, crop.left());
    h.options.setValue(Option::cropTop, crop.top());
    h.options.setValue(Option::cropWidth, crop.width());
    h.options.setValue(Option::cropHeight, crop.height());
    soon([&] {
      AreaChooser* area = openWindow<AreaChooser>();
      ASSERT_NE(area, nullptr);
      for (const auto& [key, modifiers] : c.keys) QTest::keyClick(area, Qt::Key(key), modifiers);
    });
    emit find<LinkLabel>("chooseCropAreaLink")->clicked();
    EXPECT_EQ(QRect(h.options.value(Option::cropLeft), h.options.value(Option::cropTop),
                    h.options.value(Option::cropWidth), h.options.value(Option::cropHeight)),
              c.written);
    EXPECT_EQ(openWindow<AreaChooser>(), nullptr);
  }
}

TEST_F(WindowTest, TheResizeAreaWindowOpensAt50And50AndGivesBackOnlyItsSize) {
  startedWindow();
  h.options.setValue(Option::cropLeft, 7);
  h.options.setValue(Option::resizeWidth, 400);
  h.options.setValue(Option::resizeHeight, 300);
  QRect seen, closed;
  soon([&] {
    AreaChooser* area = openWindow<AreaChooser>();
    ASSERT_NE(area, nullptr);
    seen = area->outerGeometry();
    area->move(500, 500);
    area->resize(640, 480);
    closed = area->outerGeometry();
    area->close();
  });
  emit find<LinkLabel>("chooseResizeAreaLink")->clicked();
  EXPECT_EQ(seen, QRect(50, 50, 400, 300));
  EXPECT_EQ(h.options.value(Option::resizeWidth), closed.width());
  EXPECT_EQ(h.options.value(Option::resizeHeight), closed.height());
  EXPECT_EQ(h.options.value(Option::cropLeft), 7);
  EXPECT_EQ(h.options.value(Option::cropTop), 0);
}

TEST_F(WindowTest, TheGalleryButtonWritesThePageAndComesBackAfterEveryRun) {
  startedWindow();
  auto* start = find<QPushButton>("galleryStartButton");
  auto* progress = find<QProgressBar>("galleryProgress");
  EXPECT_TRUE(start->isEnabled());
  // Cancelled at the first dialog.
  start->click();
  EXPECT_TRUE(start->isEnabled());
  h.dialogs.nextFiles = {{"/p/a.png", "/p/b.png"}};
  h.dialogs.nextFile = dir.path() + "gallery";
  start->click();
  EXPECT_TRUE(std::filesystem::exists(dir.path() + "gallery.html"));
  EXPECT_TRUE(start->isEnabled());
  EXPECT_FALSE(progress->isVisible());
  // A page that cannot be written: the disk-full text, and the button back.
  test::writeFile(dir.path() + "afile", "x");
  h.dialogs.nextFile = dir.path() + "afile/gallery.html";
  start->click();
  ASSERT_FALSE(h.dialogs.errors.empty());
  EXPECT_EQ(h.dialogs.errors.back().rfind(h.texts.get("Error", "DiskFull"), 0), 0u);
  EXPECT_TRUE(start->isEnabled());
}

}  // namespace
}  // namespace snaprill
