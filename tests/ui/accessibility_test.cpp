// What assistive technology is told about the window, asked in process through
// Qt's accessibility interfaces (the desktop test asks the same over AT-SPI), and
// the Alt+letter keys handed to captions without one.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QTabBar>
#include <map>

#include "ui/accessible_widgets.h"
#include "ui/link_label.h"
#include "ui/mnemonics.h"
#include "ui/type_panel.h"
#include "ui/type_picker.h"
#include "window_fixture.h"

namespace snaprill {
namespace {

using test::WindowTest;

TEST(Mnemonics, EveryCaptionGetsAFreeLetterAndTheLanguageFilesOwnStay) {
  struct Case {
    QStringList captions;
    QString reserved;
    QStringList keyed;
  };
  const Case cases[] = {
      // A word's first letter first, then any free letter.
      {{"General", "GIF", "Image"}, "", {"&General", "G&IF", "I&mage"}},
      // A translator's "&" is kept, and its letter is taken before others choose.
      {{"Grey", "&Green"}, "", {"G&rey", "&Green"}},
      // Letters the menu bar took are not handed out again.
      {{"File name"}, "f", {"File &name"}},
      // "&&" is a shown ampersand, not a key.
      {{"Dimensions && Effects"}, "d", {"Dimensions && &Effects"}},
      // No free letter: the caption stays as it is.
      {{"ab", "ba", "a"}, "", {"&ab", "&ba", "a"}},
      // A caption whose letters went to others takes one from a caption that can
      // move on (a second "Atajo" on a busy page once had no key).
      {{"ab", "a"}, "", {"a&b", "&a"}},
      {{"Hotkey", "Hotkey", "Ok"}, "htk", {"Hotk&ey", "Hotke&y", "&Ok"}},
  };
  for (const Case& c : cases) {
    QString reserved = c.reserved;
    EXPECT_EQ(withMnemonics(c.captions, reserved), c.keyed) << c.captions.join('|').toStdString();
  }
}

TEST(Mnemonics, PlainCaptionsAreWhatAScreenReaderSays) {
  const std::pair<const char*, const char*> cases[] = {
      {"&File", "File"},
      {"Dimensions && Effects", "Dimensions & Effects"},
      {"Beginning of Filename:", "Beginning of Filename"},
      {"Simulate Print Screen every...", "Simulate Print Screen every"},
      {"  Delay (1/100 sec) after each image: ", "Delay (1/100 sec) after each image"},
  };
  for (const auto& [caption, plain] : cases) {
    EXPECT_EQ(plainCaption(QString::fromUtf8(caption)), QString::fromUtf8(plain)) << caption;
  }
}

class AccessibleWindowTest : public WindowTest {
 protected:
  static void SetUpTestSuite() {
    WindowTest::SetUpTestSuite();
    installAccessibleWidgets();
  }
  static QAccessibleInterface* of(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
  }
  static void press(QObject* object) {
    of(object)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  }
};

TEST_F(AccessibleWindowTest, EveryControlOnEveryPageHasANameOfItsOwn) {
  MainWindow& w = startedWindow();
  std::map<QString, QString> owners;  // name -> object name
  for (QWidget* control : w.findChildren<QWidget*>()) {
    // What Tab reaches; a tab widget hands the focus to its tab bar.
    if (!(control->focusPolicy() & Qt::TabFocus) || control->focusProxy() ||
        control->window() != &w || qobject_cast<QTabBar*>(control)) {
      continue;
    }
    const QString name = of(control)->text(QAccessible::Name);
    EXPECT_FALSE(name.isEmpty()) << control->metaObject()->className() << " "
                                 << control->objectName().toStdString();
    const auto [at, added] = owners.emplace(name, control->objectName());
    EXPECT_TRUE(added) << name.toStdString() << ": " << at->second.toStdString() << " and "
                       << control->objectName().toStdString();
  }
  EXPECT_GT(owners.size(), 80u);
}

TEST_F(AccessibleWindowTest, LinksArePressedAndAdvancedOptionsSaysWhetherThePagesShow) {
  MainWindow& w = startedWindow();
  auto* advanced = find<LinkLabel>("advancedLink");
  QAccessibleInterface* link = of(advanced);
  EXPECT_EQ(link->role(), QAccessible::Link);
  EXPECT_EQ(link->text(QAccessible::Name), QStringLiteral("Advanced Options"));
  for (int press_ = 0; press_ < 2; ++press_) {
    const bool shown = w.optionPagesShown();
    EXPECT_TRUE(link->state().expandable);
    EXPECT_EQ(link->state().expanded, shown);
    EXPECT_EQ(link->state().collapsed, !shown);
    press(advanced);
    EXPECT_NE(w.optionPagesShown(), shown);
  }
}

TEST_F(AccessibleWindowTest, TheTypePanelIsAComboBoxWhoseListIsTheOpenPicker) {
  MainWindow& w = startedWindow();
  auto* panel = find<TypePanel>("typePanel");
  QAccessibleInterface* combo = of(panel);
  EXPECT_EQ(combo->role(), QAccessible::ComboBox);
  EXPECT_EQ(combo->text(QAccessible::Value), QStringLiteral("JPEG"));
  EXPECT_EQ(combo->childCount(), 0);

  press(panel);
  ASSERT_TRUE(w.typePicker().isVisible());
  ASSERT_EQ(combo->childCount(), 1);
  QAccessibleInterface* list = combo->child(0);
  EXPECT_EQ(list->role(), QAccessible::List);
  ASSERT_GE(list->childCount(), 9);
  QAccessibleInterface* png = list->child(1);
  EXPECT_EQ(png->role(), QAccessible::ListItem);
  EXPECT_EQ(png->text(QAccessible::Name), QStringLiteral("PNG"));
  EXPECT_TRUE(list->child(0)->state().selected);
  EXPECT_FALSE(png->state().selected);
  EXPECT_EQ(list->indexOfChild(png), 1);

  png->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(h.options.value(Option::outputType), kPng);
}

}  // namespace
}  // namespace snaprill
