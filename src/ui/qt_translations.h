// Qt's own dialogs (files, colours, fonts, the buttons of message boxes) speak the
// language of the language file in use: Qt's translations for its locale are
// installed whenever a language file is applied, and taken out again for English or
// for a file we do not ship, whose language we cannot know.
#pragma once

#include <QTranslator>
#include <memory>

#include "options/texts.h"

namespace snaprill {

class QtTranslations {
 public:
  // Watches texts from now on; texts outlives this.
  explicit QtTranslations(Texts& texts);
  ~QtTranslations();
  QtTranslations(const QtTranslations&) = delete;
  QtTranslations& operator=(const QtTranslations&) = delete;

  // The locale whose translations are installed ("de", "pt_BR"); empty for none.
  QString installedLocale() const { return locale_; }

 private:
  void follow();

  Texts& texts_;
  std::unique_ptr<QTranslator> translator_;
  QString locale_;
  Callbacks::Id watch_;
};

}  // namespace snaprill
