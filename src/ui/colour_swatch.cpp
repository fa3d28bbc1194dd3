#include "ui/colour_swatch.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ui/focus_frame.h"

namespace snaprill {

namespace {

constexpr int kContrastLimit = 12000000;

// The system colours a settings file may name (the value's low byte), by the
// palette role closest to each.
QPalette::ColorRole roleOfSystemColour(int index) {
  switch (index) {
    case 5:  // window background
      return QPalette::Base;
    case 8:  // window text
      return QPalette::Text;
    case 13:  // highlight
      return QPalette::Highlight;
    case 14:  // highlighted text
      return QPalette::HighlightedText;
    case 15:  // button face
      return QPalette::Button;
    case 18:  // button text
      return QPalette::ButtonText;
    default:
      return QPalette::Window;
  }
}

}  // namespace

QColor contrastColour(int value) {
  return value <= kContrastLimit ? QColor(Qt::white) : QColor(Qt::black);
}

QColor colourFromValue(int value, const QPalette& palette) {
  if (value < 0) return palette.color(roleOfSystemColour(value & 0xFF));
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int valueFromColour(const QColor& colour) {
  return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

ColourSwatch::ColourSwatch(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(1);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::TabFocus);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ColourSwatch::setCaption(const QString& caption) {
  caption_ = caption;
  updateGeometry();
  update();
}

void ColourSwatch::setValue(int value) {
  value_ = value;
  update();
}

QSize ColourSwatch::sizeHint() const {
  const QFontMetrics metrics = fontMetrics();
  return {metrics.horizontalAdvance(caption_) + 2 * metrics.averageCharWidth() + 2 * frameWidth(),
          metrics.height() + metrics.height() / 2 + 2 * frameWidth()};
}

void ColourSwatch::paintEvent(QPaintEvent* event) {
  {
    QPainter painter(this);
    painter.fillRect(contentsRect(), colourFromValue(value_, palette()));
    painter.setPen(captionColour());
    painter.drawText(contentsRect(), Qt::AlignCenter, caption_);
  }
  QFrame::paintEvent(event);
  QPainter painter(this);
  drawFocusFrame(painter, *this);
}

void ColourSwatch::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    emit clicked();
  }
}

void ColourSwatch::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return) {
    emit clicked();
    return;
  }
  QFrame::keyPressEvent(event);
}

}  // namespace snaprill
