#include "ui/automation_link.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMouseEvent>

namespace snaprill {

AutomationLink::AutomationLink(Automation& automation, QWidget* parent)
    : QWidget(parent), automation_(automation), link_(new QLabel(this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 13, 0);
  layout->addStretch(1);
  layout->addWidget(link_);
  QFont font(QStringLiteral("Verdana"));
  font.setUnderline(true);
  link_->setFont(font);
  QPalette palette = link_->palette();
  palette.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0x80));  // navy
  link_->setPalette(palette);
  link_->setCursor(Qt::PointingHandCursor);
  link_->installEventFilter(this);
  watch_ = automation_.changed.add([this] { refresh(); });
  refresh();
}

AutomationLink::~AutomationLink() {
  automation_.changed.remove(watch_);
}

bool AutomationLink::eventFilter(QObject* watched, QEvent* event) {
  if (watched == link_ && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    automation_.toggleAutomation();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void AutomationLink::refresh() {
  link_->setText(QString::fromStdString(automation_.linkText()));
}

}  // namespace snaprill
