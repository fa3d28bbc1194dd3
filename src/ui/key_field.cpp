#include "ui/key_field.h"

#include <QKeyEvent>
#include <QKeySequence>

#include "triggers/virtual_keys.h"

namespace snaprill {

namespace {

int modifierBits(Qt::KeyboardModifiers modifiers) {
  int bits = 0;
  if (modifiers & Qt::ShiftModifier) bits |= kShortcutShift;
  if (modifiers & Qt::ControlModifier) bits |= kShortcutCtrl;
  if (modifiers & Qt::AltModifier) bits |= kShortcutAlt;
  return bits;
}

bool isModifierKey(int key) {
  return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
         key == Qt::Key_Meta || key == Qt::Key_AltGr || key == Qt::Key_Super_L ||
         key == Qt::Key_Super_R;
}

// The key's virtual key: from the X keysym where the platform gives one, else by
// Qt's name of the key (the offscreen platform, keypad keys aside, names them
// alike).
int virtualKeyOfPress(const QKeyEvent& event) {
  if (event.nativeVirtualKey() != 0) {
    const int code = virtualKeyOf(event.nativeVirtualKey());
    if (code != 0) return code;
  }
  const QString name = QKeySequence(event.key()).toString(QKeySequence::PortableText);
  if (name.isEmpty()) return 0;
  const QString keypadName = QStringLiteral("Num+") + name;
  const bool keypad = (event.modifiers() & Qt::KeypadModifier) != 0;
  for (const VirtualKey& key : virtualKeyTable()) {
    const QString qtName = QString::fromStdString(key.qtName);
    if (qtName.compare(keypad ? keypadName : name, Qt::CaseInsensitive) == 0) return key.code;
  }
  return 0;
}

}  // namespace

int shortcutOfKeyPress(const QKeyEvent& event) {
  const int modifiers = modifierBits(event.modifiers());
  if (isModifierKey(event.key())) return modifiers;
  const int code = virtualKeyOfPress(event);
  return code == 0 ? 0 : code | modifiers;
}

KeyField::KeyField(Options& options, Option id, std::function<void(bool)> hotkeysOn,
                   QWidget* parent)
    : QLineEdit(parent), options_(options), id_(id), hotkeysOn_(std::move(hotkeysOn)) {
  setContextMenuPolicy(Qt::NoContextMenu);
  watch_ = options_.watch(id_, [this] { show(options_.value(id_)); });
  show(options_.value(id_));
}

KeyField::~KeyField() {
  options_.unwatch(watch_);
}

QSize KeyField::sizeHint() const {
  const QSize hint = QLineEdit::sizeHint();
  return {fontMetrics().horizontalAdvance(QStringLiteral("Ctrl+Alt+F12")) + hint.height(),
          hint.height()};
}

void KeyField::show(int value) {
  const QString text = QString::fromStdString(shortcutText(value));
  if (this->text() != text) setText(text);
}

void KeyField::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  // Tab still moves on: no hotkey field would ever be left by keyboard otherwise.
  if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) &&
      (modifiers & ~Qt::ShiftModifier) == Qt::NoModifier) {
    event->ignore();
    return;
  }
  event->accept();
  if ((key == Qt::Key_Backspace || key == Qt::Key_Delete) && modifiers == Qt::NoModifier) {
    options_.setValue(id_, 0);
    show(0);
    return;
  }
  const int shortcut = shortcutOfKeyPress(*event);
  if (isModifierKey(key)) {
    // Held modifiers show what the next key will be combined with ("Ctrl+Alt+").
    const std::string text = shortcutText(shortcut | kVkShift);
    if (shortcut != 0) setText(QString::fromStdString(text.substr(0, text.rfind('+') + 1)));
    return;
  }
  if (shortcut == 0) return;  // a key no hotkey can hold
  options_.setValue(id_, shortcut);
  show(options_.value(id_));
}

void KeyField::keyReleaseEvent(QKeyEvent* event) {
  event->accept();
  // Modifiers let go without a key: the stored hotkey again.
  if (isModifierKey(event->key())) show(options_.value(id_));
}

void KeyField::focusInEvent(QFocusEvent* event) {
  hotkeysOn_(false);
  QLineEdit::focusInEvent(event);
}

void KeyField::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  show(options_.value(id_));
  hotkeysOn_(true);
}

}  // namespace snaprill
