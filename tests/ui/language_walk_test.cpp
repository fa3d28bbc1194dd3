// A complete language file leaves no English caption anywhere a user looks: every
// widget's text, title, tab, menu item, list entry and tooltip of the main window,
// its tray menu and the type picker is walked after the switch.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <fstream>
#include <map>
#include <set>

#include "formats/ini/ini_file.h"
#include "options/desktop_language.h"
#include "options/language_schema.h"
#include "support/source_files.h"
#include "ui/about_box.h"
#include "ui/area_chooser.h"
#include "ui/qt_translations.h"
#include "ui/type_picker.h"
#include "ui/ui_texts.h"
#include "window_fixture.h"

namespace snaprill {
namespace {

using test::WindowTest;

// Every text "⟨key⟩"; numbers stay numbers and the help file stays unnamed.
std::string everyKeyChanged() {
  std::string ini;
  std::string section;
  for (const LanguageText& row : languageSchema()) {
    if (section != row.section) {
      section = row.section;
      ini += "[" + section + "]\n";
    }
    if (row.use == TextUse::Layout || row.use == TextUse::LineCount ||
        row.use == TextUse::HelpFile) {
      continue;
    }
    ini += std::string(row.key) + "=\xe2\x9f\xa8" + row.key + "\xe2\x9f\xa9\n";
  }
  return ini + "[QuickHelp]\nLineCount=1\nLine1=\xe2\x9f\xa8Line1 of the quick help\xe2\x9f\xa9\n";
}

std::set<QString> englishCaptions() {
  std::set<QString> english;
  for (const LanguageText& row : languageSchema()) {
    if (row.use == TextUse::Layout || row.use == TextUse::LineCount) continue;
    english.insert(QString::fromStdString(*Texts::builtIn(row.section, row.key)).remove('&'));
  }
  english.erase(QString());
  return english;
}

// What a user reads on a widget, and on the menus and actions it holds.
QStringList textsOf(QWidget* w) {
  // The accessible name too: a screen reader says it in place of the caption.
  QStringList texts{w->toolTip(), w->windowTitle(), w->accessibleName()};
  if (auto* label = qobject_cast<QLabel*>(w)) texts << label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(w)) texts << button->text();
  if (auto* group = qobject_cast<QGroupBox*>(w)) texts << group->title();
  if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
    for (int i = 0; i < tabs->count(); ++i) texts << tabs->tabText(i) << tabs->tabToolTip(i);
  }
  if (auto* combo = qobject_cast<QComboBox*>(w)) {
    for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
  }
  if (auto* menu = qobject_cast<QMenu*>(w)) texts << menu->title();
  if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) texts << edit->toPlainText();
  for (const QAction* action : w->actions()) {
    texts << action->text() << action->toolTip();
    if (action->menu()) texts << textsOf(action->menu());
  }
  return texts;
}

void expectNoEnglish(QWidget* root, const std::set<QString>& english, bool typeNamesAllowed) {
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* w : widgets) {
    // The type names are names, not words, and stay as they are in every language.
    const bool showsTypeName = typeNamesAllowed && (qobject_cast<TypePicker*>(w->parentWidget()) ||
                                                    w->objectName() == QLatin1String("typePanel"));
    for (QString text : textsOf(w)) {
      // What is left once the translated texts are taken out.
      text.remove('&').remove(QRegularExpression(QStringLiteral("\u27e8[^\u27e9]*\u27e9")));
      if (text.isEmpty() || text == QLatin1String("Snaprill") || showsTypeName) continue;
      for (const QString& e : english) {
        // A longer English text standing as words of its own ("Options" in
        // "Options avancées", not in "Optionsdatei").
        static std::map<QString, QRegularExpression> asWords;
        auto [pattern, added] = asWords.try_emplace(e);
        if (added) {
          pattern->second = QRegularExpression("\\b" + QRegularExpression::escape(e) + "\\b",
                                               QRegularExpression::UseUnicodePropertiesOption);
        }
        const bool left = text == e || (e.size() >= 6 && text.contains(pattern->second));
        EXPECT_FALSE(left) << "\"" << text.toStdString() << "\" on " << w->metaObject()->className()
                           << " " << w->objectName().toStdString() << ": \"" << e.toStdString()
                           << "\" is English";
      }
    }
  }
}

TEST_F(WindowTest, ACompleteLanguageLeavesNoEnglishCaption) {
  MainWindow& w = startedWindow();
  std::ofstream(dir.path() + "every-key.ini") << everyKeyChanged();
  h.settings.loadLanguage(dir.path() + "every-key.ini");

  const std::set<QString> english = englishCaptions();
  // The about box takes its texts when shown; the directory chooser is a child of
  // the window and walked with it.
  w.aboutBox().show();
  expectNoEnglish(&w, english, true);
  expectNoEnglish(&w.trayMenu(), english, false);
  const QString credits = w.aboutBox().creditsText();
  for (const char* english_credit : {"Programmed by", "Thanks to", "Translated by"}) {
    EXPECT_FALSE(credits.contains(QLatin1String(english_credit))) << credits.toStdString();
  }
  w.aboutBox().hide();
  for (const auto kind : {AreaChooser::Kind::Crop, AreaChooser::Kind::Resize}) {
    AreaChooser area(kind, h.options, h.texts, &w);
    expectNoEnglish(&area, english, false);
  }
  // The picker's hint, on every row.
  EXPECT_EQ(w.typePicker().findChildren<QLabel*>().first()->toolTip(),
            QStringLiteral("\u27e8Hint\u27e9"));
  // The texts the cycle made: pause item, status line, quality caption.
  EXPECT_EQ(w.trayMenu().actions().value(2)->text(), QStringLiteral("\u27e8Pause\u27e9"));
  EXPECT_EQ(h.status.statusText(), "\xe2\x9f\xa8Pictures\xe2\x9f\xa9");
}

TEST_F(WindowTest, AChosenLanguageShowsAtOnceAndAgainAtTheNextStart) {
  MainWindow& w = startedWindow();
  const std::string language = dir.path() + "eesti.ini";
  std::ofstream(language) << "[MainMenu]\nFile=&Fail\n[Main]\nAdvOptions=Rohkem\n";
  h.dialogs.nextFile = std::nullopt;  // cancelled: nothing changes
  w.chooseLanguage();
  EXPECT_EQ(w.menuBar()->actions().first()->text(), QStringLiteral("&File"));
  EXPECT_EQ(test::readFile(settingsFile()).find("LangFile"), std::string::npos);

  h.dialogs.nextFile = language;
  w.chooseLanguage();
  EXPECT_EQ(h.dialogs.fileDialogs.back(), "Choose Language File|INI (*.ini)|*.ini");
  EXPECT_EQ(w.menuBar()->actions().first()->text(), QStringLiteral("&Fail"));
  EXPECT_EQ(IniFile::fromFile(settingsFile()).value("Language", "LangFile"), language);

  h.texts.reset();
  h.settings.loadStartup(settingsFile());
  EXPECT_EQ(h.texts.get("Main", "AdvOptions"), "Rohkem");
}

TEST_F(WindowTest, TranslatedListsKeepTheirSelectionAndExamplesFillIn) {
  MainWindow& w = startedWindow();
  const std::pair<Option, const char*> lists[] = {{Option::textPosition, "textPosition"},
                                                  {Option::tiffDepth, "tiffDepth"},
                                                  {Option::bitmapDepth, "bitmapDepth"},
                                                  {Option::automationUnit, "automationUnit"},
                                                  {Option::galleryAlign, "galleryAlign"}};
  for (const auto& [option, name] : lists) h.options.setValue(option, 2);
  std::ofstream(dir.path() + "lang.ini")
      << "[Text]\nUpCenter=Keskel\n[Timers]\nMinutes=minutit\n[Filename]\n"
         "AddZeros=Nullidega (%EX)\nNoZeros=Ilma (%Ex)\n";
  h.settings.loadLanguage(dir.path() + "lang.ini");
  for (const auto& [option, name] : lists) {
    const auto* combo = w.findChild<QComboBox*>(QLatin1String(name));
    ASSERT_NE(combo, nullptr) << name;
    EXPECT_EQ(combo->currentIndex(), 2) << name;
    EXPECT_EQ(h.options.value(option), 2) << name;
  }
  EXPECT_EQ(w.findChild<QComboBox*>(QStringLiteral("textPosition"))->currentText(),
            QStringLiteral("Keskel"));
  EXPECT_EQ(w.findChild<QComboBox*>(QStringLiteral("automationUnit"))->currentText(),
            QStringLiteral("minutit"));
  EXPECT_EQ(plainCaption(w.findChild<QRadioButton*>(QStringLiteral("zeroPadNumbers"))->text()),
            QStringLiteral("Nullidega (snp00001.jpg)"));
  EXPECT_EQ(plainCaption(w.findChild<QRadioButton*>(QStringLiteral("plainNumbers"))->text()),
            QStringLiteral("Ilma (snp1.jpg)"));
}

// The languages we ship leave no English in the window either. A word that is the
// same in English and in the language, and right there, is listed with it.
TEST_F(WindowTest, EveryShippedLanguageLeavesNoEnglishCaption) {
  MainWindow& w = startedWindow();
  const std::set<QString> sameEverywhere = {"OK", "GIF", "TIFF, TGA, BMP", "X", "Y"};
  const std::pair<const char*, std::set<QString>> languages[] = {
      {"german.ini", {"Text", "Position"}},
      {"french.ini", {"Image", "images", "minutes", "pixels", "Options"}},
      {"spanish.ini", {"General"}},
      {"italian.ini", {"File", "Mouse", "32 bit", "24 bit", "16 bit"}},
      {"brazilian_portuguese.ini", {"Mouse", "pixels"}},
      {"polish.ini", {}},
      {"russian.ini", {}},
      {"japanese.ini", {}},
      {"simplified_chinese.ini", {}},
  };
  for (const auto& [file, same] : languages) {
    SCOPED_TRACE(file);
    h.settings.loadLanguage(test::sourcePath(std::string("data/") + file));
    ASSERT_EQ(h.texts.languageFile, test::sourcePath(std::string("data/") + file));
    std::set<QString> english = englishCaptions();
    for (const QString& word : sameEverywhere) english.erase(word);
    for (const QString& word : same) english.erase(word);
    // The about box takes its texts when shown.
    w.aboutBox().show();
    expectNoEnglish(&w, english, true);
    expectNoEnglish(&w.trayMenu(), english, false);
    w.aboutBox().hide();
  }
}

// Qt's own dialogs and message-box buttons follow the language file, and go back
// to English with it.
TEST_F(WindowTest, QtsDialogsSpeakTheChosenLanguage) {
  const QtTranslations translations(h.texts);
  const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
  for (const ShippedLanguage& shipped : shippedLanguages()) {
    SCOPED_TRACE(shipped.file);
    h.settings.loadLanguage(test::sourcePath(std::string("data/") + shipped.file));
    EXPECT_EQ(translations.installedLocale(), QString::fromLatin1(shipped.locale));
    EXPECT_EQ(cancel() == QLatin1String("Cancel"), shipped.locale[0] == '\0')
        << cancel().toStdString();
  }
  h.settings.loadLanguage(dir.path() + "estonian.ini");  // ours, not knowing its language
  EXPECT_EQ(cancel(), QStringLiteral("Cancel"));
}

}  // namespace
}  // namespace snaprill
