// The desktop style's focus frame around a custom widget that has the keyboard focus,
// so that a keyboard user sees where Space and Return will act.
#pragma once

class QPainter;
class QWidget;

namespace snaprill {

// Draws the frame over the whole widget when it has the focus; nothing otherwise.
void drawFocusFrame(QPainter& painter, const QWidget& widget);

}  // namespace snaprill
