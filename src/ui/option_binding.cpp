#include "ui/option_binding.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>

#include "ui/ui_texts.h"

namespace snaprill {

namespace {

// Tab enters a group of radio buttons at the chosen one. Qt leaves the tab stop of
// a group to its chosen button only once a button of it has had the focus; until
// then each button is a stop, and Tab landed on the first, chosen or not.
void tabToChosenRadio(QAbstractButton* button) {
  if (!button->isChecked() || !button->autoExclusive() || !button->parentWidget()) return;
  for (QAbstractButton* other : button->parentWidget()->findChildren<QAbstractButton*>(
           QString(), Qt::FindDirectChildrenOnly)) {
    if (!other->autoExclusive() || !other->isCheckable()) continue;
    const int policy = other->focusPolicy();
    other->setFocusPolicy(static_cast<Qt::FocusPolicy>(other == button ? policy | Qt::TabFocus
                                                                       : policy & ~Qt::TabFocus));
  }
}

}  // namespace

OptionBinding::~OptionBinding() {
  for (const Watch& w : watches_) options_.unwatch(w.id);
}

void OptionBinding::watch(Option id, std::function<void()> refresh) {
  refresh();
  watches_.push_back({options_.watch(id, refresh), refresh});
}

void OptionBinding::refresh(Option id) {
  for (const Watch& w : watches_) {
    if (w.id.option == id) w.refresh();
  }
}

void OptionBinding::check(QAbstractButton* box, Option id) {
  box->setCheckable(true);
  // `clicked` comes from the user only; the model's own changes set the box below.
  QObject::connect(box, &QAbstractButton::clicked, box,
                   [this, box, id](bool on) { options_.setChecked(id, on); });
  watch(id, [this, box, id] {
    const QSignalBlocker quiet(box);
    box->setChecked(options_.checked(id));
    tabToChosenRadio(box);
  });
}

void OptionBinding::partnerRadio(QAbstractButton* radio, Option id, std::function<void()> clicked) {
  radio->setCheckable(true);
  QObject::connect(radio, &QAbstractButton::clicked, radio, [this, id, clicked] {
    options_.setChecked(id, false);
    if (clicked) clicked();
  });
  watch(id, [this, radio, id] {
    const QSignalBlocker quiet(radio);
    radio->setChecked(!options_.checked(id));
    tabToChosenRadio(radio);
  });
}

void OptionBinding::number(QSpinBox* spin, Option id) {
  QObject::connect(spin, &QSpinBox::valueChanged, spin,
                   [this, id](int v) { options_.setValue(id, v); });
  watch(id, [this, spin, id] {
    const QSignalBlocker quiet(spin);
    spin->setRange(options_.rangeMin(id), options_.rangeMax(id));
    spin->setValue(options_.value(id));
  });
}

void OptionBinding::list(QComboBox* combo, Option id) {
  QObject::connect(combo, &QComboBox::activated, combo,
                   [this, id](int index) { options_.setValue(id, index); });
  watch(id, [this, combo, id] {
    const QSignalBlocker quiet(combo);
    combo->setCurrentIndex(options_.value(id));
  });
}

void OptionBinding::text(QLineEdit* field, Option id) {
  const int maxLength = specOf(id).maxLength;
  if (maxLength > 0) field->setMaxLength(maxLength);
  QObject::connect(field, &QLineEdit::textEdited, field,
                   [this, id](const QString& t) { options_.setText(id, toUtf8(t)); });
  watch(id, [this, field, id] {
    const QString shown = toQString(options_.text(id));
    if (field->text() == shown) return;
    const QSignalBlocker quiet(field);
    field->setText(shown);
  });
}

void OptionBinding::scrollBar(QScrollBar* bar, Option id, std::function<int()> step) {
  bar->setSingleStep(1);
  QObject::connect(bar, &QScrollBar::valueChanged, bar,
                   [this, id](int v) { options_.setValue(id, v); });
  watch(id, [this, bar, id, step] {
    // Range first, quietly: a range change clamps the bar's position, which must not
    // reach the model as a change of the stored value.
    const QSignalBlocker quiet(bar);
    bar->setRange(options_.rangeMin(id), options_.rangeMax(id));
    bar->setValue(options_.value(id));
    bar->setPageStep(step());
    bar->setEnabled(options_.enabled(id));
  });
}

}  // namespace snaprill
