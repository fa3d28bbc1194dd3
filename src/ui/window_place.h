// Where the main window goes at start: the place the settings file remembers, or
// the middle of the primary screen when there is none or when that place lies off
// every screen (a monitor unplugged since, a smaller resolution).
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

namespace snaprill {

// window: the remembered place and the window's size; screens: the screens'
// available areas, the primary one first. Enough of the window's top must be on a
// screen for a user to grab it there.
QPoint windowPlace(const QRect& window, bool remembered, const QList<QRect>& screens);

}  // namespace snaprill
