#include "platform/qt/qt_tray.h"

#include <QPainter>
#include <QPixmap>

namespace snaprill {

namespace {

// A picture frame with a mountain and a sun: a capture on its way to a file.
QPixmap drawFrame(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size / 32.0;
  p.scale(s, s);
  p.setPen(QPen(QColor(0x20, 0x30, 0x50), 2));
  p.setBrush(QColor(0xd8, 0xea, 0xff));
  p.drawRoundedRect(QRectF(3, 5, 26, 22), 3, 3);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x2e, 0x8b, 0x57));
  const QPointF hill[] = {{5, 25}, {13, 14}, {19, 21}, {22, 18}, {27, 25}};
  p.drawPolygon(hill, 5);
  p.setBrush(QColor(0xff, 0xb0, 0x20));
  p.drawEllipse(QPointF(22, 11), 3, 3);
  return pixmap;
}

QIcon drawIcon(bool paused) {
  QIcon icon;
  for (const int size : {16, 22, 24, 32, 48, 64}) {
    QPixmap pixmap = drawFrame(size);
    if (paused) {
      // Two bars over a grey veil: the same picture, at rest.
      QPainter p(&pixmap);
      p.setRenderHint(QPainter::Antialiasing);
      p.scale(size / 32.0, size / 32.0);
      p.fillRect(QRectF(3, 5, 26, 22), QColor(0x80, 0x80, 0x80, 0x90));
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(0xc0, 0x10, 0x10));
      p.drawRect(QRectF(10, 9, 4, 14));
      p.drawRect(QRectF(18, 9, 4, 14));
    }
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace

QIcon applicationIcon() {
  static const QIcon icon = drawIcon(false);
  return icon;
}

QIcon pausedIcon() {
  static const QIcon icon = drawIcon(true);
  return icon;
}

QtTray::QtTray() : application_(applicationIcon()), paused_(pausedIcon()) {
  icon_.setIcon(application_);
}

void QtTray::apply(const TrayIconRecord& record) {
  icon_.setIcon(record.icon == TrayIcon::Paused ? paused_ : application_);
  icon_.setToolTip(QString::fromUtf8(record.tip().c_str()));
}

bool QtTray::notify(TrayOperation op, const TrayIconRecord& record) {
  switch (op) {
    case TrayOperation::Add:
      apply(record);
      icon_.show();
      return QSystemTrayIcon::isSystemTrayAvailable();
    case TrayOperation::Modify:
      // As with the shell, modifying an icon that is not there changes nothing.
      if (!icon_.isVisible()) return false;
      apply(record);
      return true;
    case TrayOperation::Delete:
      icon_.hide();
      return true;
  }
  return false;
}

}  // namespace snaprill
