// The window's layout as a user sees it: every caption has the room it asks for and
// no two controls cover each other, on every page, in English and in a language
// whose texts are much longer.
#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QTabBar>

#include "ui/option_pages.h"
#include "window_fixture.h"

namespace snaprill {
namespace {

using test::WindowTest;

void settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

std::string describe(const QWidget* w) {
  QString text;
  if (const auto* label = qobject_cast<const QLabel*>(w)) text = label->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(w)) text = button->text();
  if (const auto* group = qobject_cast<const QGroupBox*>(w)) text = group->title();
  return (w->objectName() + QStringLiteral(" ") + QLatin1String(w->metaObject()->className()) +
          QStringLiteral(" \"") + text + QStringLiteral("\""))
      .toStdString();
}

bool shown(const QWidget* w, const QWidget* root) {
  return w && w->isVisibleTo(root) && !w->isWindow();
}

void expectRoomForEveryCaption(const QWidget* root, const std::string& where) {
  for (const QWidget* w : root->findChildren<QWidget*>()) {
    if (!shown(w, root)) continue;
    const auto* label = qobject_cast<const QLabel*>(w);
    if (label && label->wordWrap()) {
      EXPECT_GE(label->height(), label->heightForWidth(label->width()))
          << where << ": " << describe(w);
    } else if (label || qobject_cast<const QAbstractButton*>(w) ||
               qobject_cast<const QGroupBox*>(w) || qobject_cast<const QComboBox*>(w)) {
      EXPECT_GE(w->width(), w->minimumSizeHint().width()) << where << ": " << describe(w);
      EXPECT_GE(w->height(), w->minimumSizeHint().height()) << where << ": " << describe(w);
    }
    // Children side by side, never on top of each other.
    const QObjectList& children = w->children();
    for (qsizetype i = 0; i < children.size(); ++i) {
      const auto* a = qobject_cast<const QWidget*>(children[i]);
      if (!shown(a, root)) continue;
      for (qsizetype j = i + 1; j < children.size(); ++j) {
        const auto* b = qobject_cast<const QWidget*>(children[j]);
        if (!shown(b, root)) continue;
        EXPECT_FALSE(a->geometry().intersects(b->geometry()))
            << where << ": " << describe(a) << " overlaps " << describe(b);
      }
    }
  }
}

void expectEveryPageLaidOut(MainWindow& w, const std::string& language) {
  w.show();
  settle();
  OptionPages& pages = w.optionPages();
  EXPECT_GE(pages.width(), pages.tabBar()->sizeHint().width()) << language << ": tabs cut";
  for (int page = 0; page < pages.count(); ++page) {
    pages.setCurrentIndex(page);
    settle();
    expectRoomForEveryCaption(&w, language + ", page " + pages.tabText(page).toStdString());
  }
}

TEST_F(WindowTest, EveryCaptionHasRoomOnEveryPage) {
  expectEveryPageLaidOut(startedWindow(), "English");
}

TEST_F(WindowTest, LongerTextsOfAnotherLanguageStillFit) {
  MainWindow& w = startedWindow();
  // Every caption half as long again, as many languages are beside English.
  for (const TextKey& key : w.uiTexts().boundKeys()) {
    const std::string& english = h.texts.get(key.section, key.key);
    h.texts.set(key.section, key.key, english + " " + english.substr(0, english.size() / 2));
  }
  w.applyTexts();
  expectEveryPageLaidOut(w, "longer texts");
  // The stretched texts did reach the widgets.
  EXPECT_TRUE(w.optionPages().tabText(0).startsWith(QStringLiteral("General Gen")));
}

}  // namespace
}  // namespace snaprill
