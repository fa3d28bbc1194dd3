// Logical and device pixels of one screen. Widgets place themselves in logical
// pixels; captures and the crop and resize fields count the screen's own (device)
// pixels. Qt keeps each screen's top left corner where the screen really is and
// scales only what lies to the right and below it, by the screen's ratio, so a
// point converts about that corner.
#pragma once

#include <QPoint>
#include <QRect>

class QScreen;

namespace snaprill {

// The conversions about a screen corner (the same in both kinds of pixels) with a
// device-pixel ratio; rounded to the nearest pixel.
QPoint toDevicePixels(QPoint logical, QPoint screenCorner, double ratio);
QPoint toLogicalPixels(QPoint device, QPoint screenCorner, double ratio);
QRect toDevicePixels(const QRect& logical, QPoint screenCorner, double ratio);
QRect toLogicalPixels(const QRect& device, QPoint screenCorner, double ratio);

// The screen's area in its own pixels.
QRect deviceGeometry(const QScreen& screen);
// The screen showing that device point; the primary screen when none does (a
// point off every screen, as a window dragged partly off the desktop has).
const QScreen* screenAtDevicePoint(QPoint device);
// The screen showing that logical point, else the primary screen.
const QScreen* screenAtLogicalPoint(QPoint logical);

// A rectangle in the pixels of the screen showing its top left corner.
QRect toDevicePixels(const QRect& logical);
QRect toLogicalPixels(const QRect& device);

}  // namespace snaprill
