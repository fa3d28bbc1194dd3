#include "ui/ui_texts.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QWidget>

namespace snaprill {

QString toQString(const std::string& utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string toUtf8(const QString& text) {
  return text.toUtf8().toStdString();
}

QString plainCaption(const QString& caption) {
  QString plain;
  plain.reserve(caption.size());
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
    plain += caption[i];
  }
  plain = plain.trimmed();
  while (plain.endsWith(u':') || plain.endsWith(u'.') || plain.endsWith(u'\u2026')) plain.chop(1);
  return plain.trimmed();
}

QString UiTexts::text(TextKey key) const {
  return toQString(texts_.get(key.section, key.key));
}

void UiTexts::bind(TextKey key, std::function<void(const QString&)> apply) {
  apply(text(key));
  bindings_.push_back({key, std::move(apply)});
}

void UiTexts::bind(QLabel* label, TextKey key) {
  bind(key, [label](const QString& t) { label->setText(t); });
}

void UiTexts::bind(QAbstractButton* button, TextKey key) {
  bind(key, [button](const QString& t) { button->setText(t); });
}

void UiTexts::bind(QGroupBox* group, TextKey key) {
  bind(key, [group](const QString& t) { group->setTitle(t); });
}

void UiTexts::bind(QAction* action, TextKey key) {
  bind(key, [action](const QString& t) { action->setText(t); });
}

void UiTexts::bind(QMenu* menu, TextKey key) {
  bind(key, [menu](const QString& t) { menu->setTitle(t); });
}

void UiTexts::bindToolTip(QWidget* widget, TextKey key) {
  bind(key, [widget](const QString& t) { widget->setToolTip(t); });
}

void UiTexts::bindAccessibleName(QWidget* widget, std::vector<TextKey> parts,
                                 const QString& suffix) {
  if (parts.empty()) return;
  // Bound to the first part; the others are read again whenever it is applied.
  bind(parts.front(), [this, widget, parts, suffix](const QString&) {
    QStringList words;
    for (const TextKey& part : parts) words << plainCaption(text(part));
    widget->setAccessibleName(words.join(u' ') + suffix);
  });
}

std::vector<TextKey> UiTexts::boundKeys() const {
  std::vector<TextKey> keys;
  keys.reserve(bindings_.size());
  for (const Binding& b : bindings_) keys.push_back(b.key);
  return keys;
}

void UiTexts::applyAll() const {
  for (const Binding& b : bindings_) b.apply(text(b.key));
}

}  // namespace snaprill
