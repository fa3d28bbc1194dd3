#include "ui/option_file_field.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace snaprill {

OptionFileField::OptionFileField(QWidget* parent) : QLineEdit(parent) {
  setReadOnly(true);
  setContextMenuPolicy(Qt::NoContextMenu);
  setCursor(Qt::PointingHandCursor);
}

void OptionFileField::mouseReleaseEvent(QMouseEvent* event) {
  QLineEdit::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton) {
    emit chooseRequested();
  } else {
    emit clearRequested();
  }
}

void OptionFileField::keyPressEvent(QKeyEvent* event) {
  // The keyboard may still reach the dialog: a field that only a mouse can fill
  // would shut out keyboard users.
  if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return) {
    emit chooseRequested();
    return;
  }
  if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) {
    emit clearRequested();
    return;
  }
  // Moving the focus on is all a key does otherwise.
  if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
    QLineEdit::keyPressEvent(event);
  }
}

}  // namespace snaprill
