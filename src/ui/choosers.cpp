#include "ui/choosers.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>

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
  const QString chosen = QFileDialog::getExistingDirectory(parent, QString(), initial);
  if (chosen.isEmpty()) return std::nullopt;
  return chosen;
}

}  // namespace snaprill
