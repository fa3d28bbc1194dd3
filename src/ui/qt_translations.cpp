#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

#include "options/desktop_language.h"

namespace snaprill {

QtTranslations::QtTranslations(Texts& texts) : texts_(texts) {
  watch_ = texts_.changed.add([this] { follow(); });
  follow();
}

QtTranslations::~QtTranslations() {
  texts_.changed.remove(watch_);
  if (translator_) QCoreApplication::removeTranslator(translator_.get());
}

void QtTranslations::follow() {
  const QString locale = QString::fromStdString(localeOfLanguageFile(texts_.languageFile));
  if (locale == locale_) return;
  if (translator_) {
    QCoreApplication::removeTranslator(translator_.get());
    translator_.reset();
  }
  locale_.clear();
  if (locale.isEmpty()) return;
  auto translator = std::make_unique<QTranslator>();
  // qt_<locale> brings the translations of every Qt module the dialogs use.
  if (!translator->load(QStringLiteral("qt_") + locale,
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return;  // not installed: Qt's dialogs stay in English
  }
  QCoreApplication::installTranslator(translator.get());
  translator_ = std::move(translator);
  locale_ = locale;
}

}  // namespace snaprill
