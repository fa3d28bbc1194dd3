#include "ui/accessible_widgets.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>
#include <algorithm>

#include "ui/colour_swatch.h"
#include "ui/link_label.h"
#include "ui/type_panel.h"
#include "ui/type_picker.h"
#include "ui/ui_texts.h"

namespace snaprill {

namespace {

// A widget that does one thing when pressed, told through press.
class Pressable : public QAccessibleWidget {
 public:
  Pressable(QWidget* widget, QAccessible::Role role, std::function<void()> press,
            QString action = pressAction())
      : QAccessibleWidget(widget, role), press_(std::move(press)), action_(std::move(action)) {}

  QStringList actionNames() const override {
    return QStringList{action_} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& name) override {
    if (name == action_) {
      if (widget()->isEnabled()) press_();
      return;
    }
    QAccessibleWidget::doAction(name);
  }

 private:
  std::function<void()> press_;
  QString action_;
};

class AccessibleLink : public Pressable {
 public:
  explicit AccessibleLink(LinkLabel* link)
      : Pressable(link, QAccessible::Link, [link] { link->activate(); }), link_(link) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name && link_->accessibleName().isEmpty()) {
      return plainCaption(link_->text());
    }
    return Pressable::text(kind);
  }
  QAccessible::State state() const override {
    QAccessible::State s = Pressable::state();
    if (link_->expandable()) {
      s.expandable = true;
      s.expanded = link_->expanded();
      s.collapsed = !link_->expanded();
    }
    return s;
  }

 private:
  LinkLabel* link_;
};

class AccessibleSwatch : public Pressable {
 public:
  explicit AccessibleSwatch(ColourSwatch* swatch)
      : Pressable(swatch, QAccessible::Button, [swatch] { emit swatch->clicked(); }),
        swatch_(swatch) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name && swatch_->accessibleName().isEmpty()) {
      return plainCaption(swatch_->caption());
    }
    return Pressable::text(kind);
  }

 private:
  ColourSwatch* swatch_;
};

// Qt's own combo box is named after its current choice on Linux, its caption left
// to a label relation; a list with no caption beside it would go unnamed. Here a
// list is told by its accessible name or its label (Qt's usual name for a widget),
// its choice as its value.
class NamedComboBox : public Pressable {
 public:
  explicit NamedComboBox(QComboBox* combo)
      : Pressable(
            combo, QAccessible::ComboBox, [combo] { combo->showPopup(); }, showMenuAction()),
        combo_(combo) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value) return combo_->currentText();
    const QString told = Pressable::text(kind);
    return kind == QAccessible::Name && told.isEmpty() ? combo_->currentText() : told;
  }
  QAccessible::State state() const override {
    QAccessible::State s = Pressable::state();
    s.expandable = true;
    s.expanded = combo_->view()->isVisible();
    s.collapsed = !s.expanded;
    return s;
  }
  int childCount() const override { return combo_->view()->isVisible() ? 1 : 0; }
  QAccessibleInterface* child(int index) const override {
    return index == 0 && childCount() == 1 ? QAccessible::queryAccessibleInterface(combo_->view())
                                           : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child && childCount() == 1 && child->object() == combo_->view() ? 0 : -1;
  }

 private:
  QComboBox* combo_;
};

class AccessibleTypePanel : public Pressable {
 public:
  explicit AccessibleTypePanel(TypePanel* panel)
      : Pressable(panel, QAccessible::ComboBox, [panel] { emit panel->pressed(); }),
        panel_(panel) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value) return panel_->typeName();
    return Pressable::text(kind);
  }
  QAccessible::State state() const override {
    QAccessible::State s = Pressable::state();
    s.expandable = true;
    s.expanded = openPicker() != nullptr;
    s.collapsed = !s.expanded;
    return s;
  }
  int childCount() const override { return openPicker() ? 1 : 0; }
  QAccessibleInterface* child(int index) const override {
    QWidget* picker = openPicker();
    return index == 0 && picker ? QAccessible::queryAccessibleInterface(picker) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child && openPicker() && child->object() == openPicker() ? 0 : -1;
  }

 private:
  QWidget* openPicker() const {
    QWidget* picker = panel_->popup();
    return picker && picker->isVisible() ? picker : nullptr;
  }
  TypePanel* panel_;
};

class AccessibleTypeList : public QAccessibleWidget {
 public:
  explicit AccessibleTypeList(TypePicker* picker)
      : QAccessibleWidget(picker, QAccessible::List), picker_(picker) {}

  // The rows' captions, top to bottom; not their pictures.
  int childCount() const override { return TypePicker::kRowCount; }
  QAccessibleInterface* child(int index) const override {
    return index >= 0 && index < TypePicker::kRowCount
               ? QAccessible::queryAccessibleInterface(picker_->rowLabel(index))
               : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child ? picker_->rowOf(child->object()) : -1;
  }

 private:
  TypePicker* picker_;
};

class AccessibleTypeRow : public Pressable {
 public:
  AccessibleTypeRow(QLabel* row, TypePicker* picker)
      : Pressable(row, QAccessible::ListItem, [this] { picker_->chooseRow(rowNumber()); }),
        picker_(picker) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name) return static_cast<QLabel*>(widget())->text();
    return Pressable::text(kind);
  }
  QAccessible::State state() const override {
    QAccessible::State s = Pressable::state();
    s.selectable = true;
    s.selected = picker_->rowHighlighted(rowNumber());
    return s;
  }

 private:
  int rowNumber() const { return picker_->rowOf(widget()) + 1; }
  TypePicker* picker_;
};

QAccessibleInterface* accessibleWidget(const QString&, QObject* object) {
  if (auto* link = qobject_cast<LinkLabel*>(object)) return new AccessibleLink(link);
  if (auto* swatch = qobject_cast<ColourSwatch*>(object)) return new AccessibleSwatch(swatch);
  if (auto* panel = qobject_cast<TypePanel*>(object)) return new AccessibleTypePanel(panel);
  if (auto* picker = qobject_cast<TypePicker*>(object)) return new AccessibleTypeList(picker);
  if (auto* combo = qobject_cast<QComboBox*>(object); combo && !combo->isEditable()) {
    return new NamedComboBox(combo);
  }
  if (auto* label = qobject_cast<QLabel*>(object)) {
    auto* picker = qobject_cast<TypePicker*>(label->parent());
    if (picker && !label->text().isEmpty()) return new AccessibleTypeRow(label, picker);
  }
  return nullptr;
}

}  // namespace

void installAccessibleWidgets() {
  QAccessible::installFactory(accessibleWidget);
}

}  // namespace snaprill
