#include "ui/mnemonics.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QVariant>

namespace snaprill {

namespace {

constexpr const char* kNoMnemonic = "snaprillNoMnemonic";

// Where to put the "&" in caption: a word's first letter first, then any letter.
qsizetype freePlace(const QString& caption, const QString& reserved) {
  const auto free = [&](qsizetype i) {
    return caption[i].isLetterOrNumber() && !reserved.contains(caption[i].toLower());
  };
  for (qsizetype i = 0; i < caption.size(); ++i) {
    const bool wordStart = i == 0 || !caption[i - 1].isLetterOrNumber();
    if (wordStart && free(i)) return i;
  }
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (free(i)) return i;
  }
  return -1;
}

template <typename Item, typename Get, typename Set>
void relabel(const QList<Item*>& items, QString& reserved, Get get, Set set) {
  QStringList captions;
  for (Item* item : items) captions << get(item);
  const QStringList keyed = withMnemonics(captions, reserved);
  for (qsizetype i = 0; i < items.size(); ++i) {
    if (keyed[i] != captions[i]) set(items[i], keyed[i]);
  }
}

}  // namespace

QChar mnemonicOf(const QString& caption) {
  for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != u'&') continue;
    if (caption[i + 1] != u'&') return caption[i + 1].toLower();
    ++i;
  }
  return {};
}

QStringList withMnemonics(const QStringList& captions, QString& reserved) {
  // The language file's own keys are taken before any is handed out.
  for (const QString& caption : captions) {
    if (const QChar own = mnemonicOf(caption); !own.isNull()) reserved += own;
  }
  QStringList keyed;
  for (const QString& caption : captions) {
    if (!mnemonicOf(caption).isNull()) {
      keyed << caption;
      continue;
    }
    const qsizetype at = freePlace(caption, reserved);
    if (at < 0) {
      keyed << caption;
      continue;
    }
    reserved += caption[at].toLower();
    keyed << QString(caption).insert(at, u'&');
  }
  return keyed;
}

void addMnemonics(QWidget* scope, QString& reserved) {
  QList<QWidget*> captioned;
  for (QWidget* widget : scope->findChildren<QWidget*>()) {
    if (widget->property(kNoMnemonic).toBool()) continue;
    auto* label = qobject_cast<QLabel*>(widget);
    auto* button = qobject_cast<QAbstractButton*>(widget);
    if ((label && label->buddy()) || (button && button->text().size() > 1)) captioned << widget;
  }
  relabel(
      captioned, reserved,
      [](QWidget* w) {
        auto* label = qobject_cast<QLabel*>(w);
        return label ? label->text() : qobject_cast<QAbstractButton*>(w)->text();
      },
      [](QWidget* w, const QString& caption) {
        if (auto* label = qobject_cast<QLabel*>(w)) {
          label->setText(caption);
        } else {
          qobject_cast<QAbstractButton*>(w)->setText(caption);
        }
      });
}

void addMnemonics(QMenu* menu) {
  QString reserved;
  QList<QAction*> items;
  for (QAction* action : menu->actions()) {
    if (!action->isSeparator()) items << action;
  }
  relabel(
      items, reserved, [](QAction* a) { return a->text(); },
      [](QAction* a, const QString& caption) { a->setText(caption); });
}

void keepWithoutMnemonic(QWidget* widget) {
  widget->setProperty(kNoMnemonic, true);
}

}  // namespace snaprill
