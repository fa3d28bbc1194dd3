#include "ui/link_label.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ui/focus_frame.h"

namespace snaprill {

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setForegroundRole(QPalette::Link);
  QFont underlined = font();
  underlined.setUnderline(true);
  setFont(underlined);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::TabFocus);
  setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
  // Room for the focus frame around the text.
  setMargin(1);
}

void LinkLabel::activate() {
  if (isEnabled()) emit clicked();
}

void LinkLabel::setExpanded(bool expanded) {
  const bool changed = !expandable_ || expanded_ != expanded;
  expandable_ = true;
  expanded_ = expanded;
  if (!changed) return;
  QAccessible::State states;
  states.expanded = true;
  states.collapsed = true;
  QAccessibleStateChangeEvent event(this, states);
  QAccessible::updateAccessibility(&event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    emit clicked();
  }
  QLabel::mouseReleaseEvent(event);
}

void LinkLabel::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
      event->key() == Qt::Key_Enter) {
    emit clicked();
    return;
  }
  QLabel::keyPressEvent(event);
}

void LinkLabel::paintEvent(QPaintEvent* event) {
  QLabel::paintEvent(event);
  QPainter painter(this);
  drawFocusFrame(painter, *this);
}

}  // namespace snaprill
