#include "ui/type_panel.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStyleOption>
#include <QStylePainter>

#include "ui/focus_frame.h"

namespace snaprill {

namespace {

// The arrow at the panel's right end, drawn by the desktop's style.
class Arrow : public QWidget {
 public:
  explicit Arrow(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  QSize sizeHint() const override {
    const int side = fontMetrics().height();
    return {side, side};
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    painter.drawPrimitive(QStyle::PE_IndicatorArrowDown, option);
  }
};

}  // namespace

TypePanel::TypePanel(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setFocusPolicy(Qt::TabFocus);
  setCursor(Qt::PointingHandCursor);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Base);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 1, 1, 1);
  layout->setSpacing(4);
  name_ = new QLabel(this);
  name_->setTextFormat(Qt::PlainText);
  name_->setAttribute(Qt::WA_TransparentForMouseEvents);
  typeArrow_ = new Arrow(this);
  layout->addWidget(name_, 1);
  layout->addWidget(typeArrow_);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TypePanel::setTypeName(const QString& name) {
  name_->setText(name);
}

QString TypePanel::typeName() const {
  return name_->text();
}

void TypePanel::setWidestNames(const QStringList& names) {
  int widest = 0;
  for (const QString& n : names)
    widest = std::max(widest, name_->fontMetrics().horizontalAdvance(n));
  name_->setMinimumWidth(widest);
}

void TypePanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    emit pressed();
    return;
  }
  QFrame::mousePressEvent(event);
}

void TypePanel::keyPressEvent(QKeyEvent* event) {
  const bool altDown = event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier);
  if (altDown || event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
      event->key() == Qt::Key_F4) {
    emit pressed();
    return;
  }
  QFrame::keyPressEvent(event);
}

void TypePanel::setPopup(QWidget* popup) {
  popup_ = popup;
  popup_->installEventFilter(this);
}

bool TypePanel::eventFilter(QObject* watched, QEvent* event) {
  // A screen reader hears the list unroll and roll up, as it hears a combo box's.
  if (watched == popup_ && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
    QAccessible::State changed;
    changed.expanded = true;
    changed.collapsed = true;
    QAccessibleStateChangeEvent stateChange(this, changed);
    QAccessible::updateAccessibility(&stateChange);
    QAccessibleEvent popupEvent(popup_, event->type() == QEvent::Show ? QAccessible::PopupMenuStart
                                                                      : QAccessible::PopupMenuEnd);
    QAccessible::updateAccessibility(&popupEvent);
  }
  return QFrame::eventFilter(watched, event);
}

void TypePanel::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  drawFocusFrame(painter, *this);
}

}  // namespace snaprill
