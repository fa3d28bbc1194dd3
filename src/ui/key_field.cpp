#include "ui/key_field.h"

#include <QIntValidator>

namespace snaprill {

KeyField::KeyField(Options& options, Option id, Timer& hotkeyTimer, QWidget* parent)
    : QLineEdit(parent), options_(options), id_(id), hotkeyTimer_(hotkeyTimer) {
  setValidator(new QIntValidator(0, 0xFFFF, this));
  setAlignment(Qt::AlignRight);
  connect(this, &QLineEdit::editingFinished, this, &KeyField::store);
  watch_ = options_.watch(id_, [this] { show(options_.value(id_)); });
  show(options_.value(id_));
}

KeyField::~KeyField() {
  options_.unwatch(watch_);
}

QSize KeyField::sizeHint() const {
  const QSize hint = QLineEdit::sizeHint();
  return {fontMetrics().horizontalAdvance(QStringLiteral("000000")) + hint.height(), hint.height()};
}

void KeyField::show(int value) {
  const QString text = QString::number(value);
  if (this->text() != text) setText(text);
}

void KeyField::store() {
  bool ok = false;
  const int value = text().toInt(&ok);
  if (ok) options_.setValue(id_, value);
  show(options_.value(id_));
}

void KeyField::focusInEvent(QFocusEvent* event) {
  hotkeyTimer_.setEnabled(false);
  QLineEdit::focusInEvent(event);
}

void KeyField::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  hotkeyTimer_.setEnabled(true);
}

}  // namespace snaprill
