#include "ui/mnemonics.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QVariant>
#include <algorithm>
#include <vector>

namespace snaprill {

namespace {

// A rewritten caption as the program last set it, without the key added to it,
// and the key.
constexpr const char* kPlainCaption = "snaprillPlainCaption";
constexpr const char* kKey = "snaprillKey";

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

// Where the "&" for key goes: before a word's first letter that is the key, else
// before the key's first place; -1 when the caption lacks it.
qsizetype placeOf(const QString& caption, QChar key) {
  qsizetype first = -1;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i].toLower() != key) continue;
    if (i == 0 || !caption[i - 1].isLetterOrNumber()) return i;
    if (first < 0) first = i;
  }
  return first;
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
  const QString taken = reserved;  // the menu's and the translators': never moved
  // Each caption in turn its best free letter.
  std::vector<QChar> keys(static_cast<std::size_t>(captions.size()));
  for (qsizetype i = 0; i < captions.size(); ++i) {
    if (!mnemonicOf(captions[i]).isNull()) continue;
    if (const qsizetype at = freePlace(captions[i], reserved); at >= 0) {
      keys[static_cast<std::size_t>(i)] = captions[i][at].toLower();
      reserved += keys[static_cast<std::size_t>(i)];
    }
  }
  // A caption left without one (a second "Hotkey" whose letters all went to
  // others) takes a letter from a caption that can move to another free letter of
  // its own, and so on down the chain.
  const auto seat = [&](qsizetype i, QString& tried, const auto& self) -> bool {
    for (const QChar c : captions[i]) {
      const QChar letter = c.toLower();
      if (!c.isLetterOrNumber() || tried.contains(letter) || taken.contains(letter)) continue;
      tried += letter;
      const auto holder = std::find(keys.begin(), keys.end(), letter);
      if (holder == keys.end() || self(holder - keys.begin(), tried, self)) {
        keys[static_cast<std::size_t>(i)] = letter;
        return true;
      }
    }
    return false;
  };
  for (qsizetype i = 0; i < captions.size(); ++i) {
    if (!keys[static_cast<std::size_t>(i)].isNull() || !mnemonicOf(captions[i]).isNull()) continue;
    QString tried;
    if (seat(i, tried, seat)) reserved += keys[static_cast<std::size_t>(i)];
  }
  QStringList keyed;
  for (qsizetype i = 0; i < captions.size(); ++i) {
    const QChar key = keys[static_cast<std::size_t>(i)];
    keyed << (key.isNull() ? captions[i]
                           : QString(captions[i]).insert(placeOf(captions[i], key), u'&'));
  }
  return keyed;
}

void addMnemonics(QWidget* scope, QString& reserved) {
  QList<QWidget*> captioned;
  for (QWidget* widget : scope->findChildren<QWidget*>()) {
    auto* label = qobject_cast<QLabel*>(widget);
    auto* button = qobject_cast<QAbstractButton*>(widget);
    if ((label && label->buddy()) || (button && button->text().size() > 1)) captioned << widget;
  }
  relabel(
      captioned, reserved,
      [](QWidget* w) {
        if (const QVariant plain = w->property(kPlainCaption); plain.isValid()) {
          return plain.toString();
        }
        auto* label = qobject_cast<QLabel*>(w);
        return label ? label->text() : qobject_cast<QAbstractButton*>(w)->text();
      },
      [](QWidget* w, const QString& caption) {
        if (auto* label = qobject_cast<QLabel*>(w)) {
          label->setText(caption);
        } else {
          w->setProperty(kKey, QString(mnemonicOf(caption)));
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

void setCaptionKeepingKey(QAbstractButton* button, const QString& caption) {
  button->setProperty(kPlainCaption, caption);
  const QString key = button->property(kKey).toString();
  if (key.isEmpty() || !mnemonicOf(caption).isNull()) {
    button->setText(caption);
    return;
  }
  const qsizetype at = placeOf(caption, key[0]);
  button->setText(at < 0 ? caption : QString(caption).insert(at, u'&'));
}

}  // namespace snaprill
