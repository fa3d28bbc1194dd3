#include "ui/choosers.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>

#include "ui/directory_chooser.h"
#include "ui/ui_texts.h"

namespace snaprill {

std::optional<QColor> Choosers::colour(const QColor& initial, QWidget* parent) {
  const QColor chosen = QColorDialog::getColor(initial, parent);
  if (!chosen.isValid()) return std::nullopt;
  return chosen;
}

std::optional<QFont> Choosers::font(const QFont& initial, QWidget* parent) {
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, initial, parent);
  if (!ok) return std::nullopt;
  return chosen;
}

std::optional<QString> Choosers::directory(const QString& initial, QWidget* parent) {
  if (directoryChooser_) {
    const std::optional<std::string> chosen = directoryChooser_->choose(toUtf8(initial));
    if (!chosen) return std::nullopt;
    return toQString(*chosen);
  }
  const QString chosen = QFileDialog::getExistingDirectory(parent, QString(), initial);
  if (chosen.isEmpty()) return std::nullopt;
  return chosen;
}

}  // namespace snaprill
