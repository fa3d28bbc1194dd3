#include "ui/focus_frame.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QWidget>

namespace snaprill {

void drawFocusFrame(QPainter& painter, const QWidget& widget) {
  if (!widget.hasFocus()) return;
  QStyleOptionFocusRect option;
  option.initFrom(&widget);
  option.backgroundColor = widget.palette().color(widget.backgroundRole());
  widget.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, &widget);
}

}  // namespace snaprill
