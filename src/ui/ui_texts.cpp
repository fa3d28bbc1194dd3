#include "ui/ui_texts.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>

namespace snaprill {

QString toQString(const std::string& utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string toUtf8(const QString& text) {
  return text.toUtf8().toStdString();
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
