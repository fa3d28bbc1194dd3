// Colours people can read: the contrast of two colours as accessibility guidelines
// measure it (WCAG 2: relative luminance, (lighter + 0.05) / (darker + 0.05), from
// 1:1 to 21:1), and a pick among preferred colours that keeps at least 4.5:1, the
// least that ordinary text needs.
#pragma once

#include <QColor>
#include <initializer_list>

class QPalette;

namespace snaprill {

constexpr double kReadableContrast = 4.5;

// 0 for black to 1 for white, by the sRGB channels' linear light.
double relativeLuminance(const QColor& colour);
double contrastRatio(const QColor& first, const QColor& second);

// The first of the preferred colours that reads against the other colour; when none
// does, black or white, whichever reads better (one of them always reaches 4.5:1).
QColor readableAgainst(const QColor& other, std::initializer_list<QColor> preferred);

// Whether the palette draws dark text on a light window.
bool lightTheme(const QPalette& palette);

}  // namespace snaprill
