// The captions of the windows, each bound to its language key: set when bound and
// again whenever the language changes, from one list walked by one loop.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "options/texts.h"

class QAbstractButton;
class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QWidget;

namespace snaprill {

// A language text by section and key, as the language files name it.
struct TextKey {
  const char* section;
  const char* key;
};

QString toQString(const std::string& utf8);
std::string toUtf8(const QString& text);
// A caption as a name for assistive technology: without the "&" of its keyboard key
// ("&&" stays one "&"), the ":" or "..." that lead to the control, and outer spaces.
QString plainCaption(const QString& caption);

class UiTexts {
 public:
  explicit UiTexts(const Texts& texts) : texts_(texts) {}
  UiTexts(const UiTexts&) = delete;
  UiTexts& operator=(const UiTexts&) = delete;

  // The text of a key in the current language.
  QString text(TextKey key) const;

  // Calls apply with the key's text now and after every applyAll.
  void bind(TextKey key, std::function<void(const QString&)> apply);
  void bind(QLabel* label, TextKey key);
  void bind(QAbstractButton* button, TextKey key);
  void bind(QGroupBox* group, TextKey key);
  void bind(QAction* action, TextKey key);
  void bind(QMenu* menu, TextKey key);
  void bindToolTip(QWidget* widget, TextKey key);
  // The name assistive technology gives the widget: the plain captions of parts,
  // joined by spaces, then suffix ("Automatic Saving Hotkey" + " 2").
  void bindAccessibleName(QWidget* widget, std::vector<TextKey> parts, const QString& suffix = {});

  // Every bound caption again, after a language file was applied.
  void applyAll() const;
  // The keys bound so far, in the order they were bound (a key may repeat).
  std::vector<TextKey> boundKeys() const;

 private:
  struct Binding {
    TextKey key;
    std::function<void(const QString&)> apply;
  };
  const Texts& texts_;
  std::vector<Binding> bindings_;
};

}  // namespace snaprill
