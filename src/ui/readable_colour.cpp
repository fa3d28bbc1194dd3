#include "ui/readable_colour.h"

#include <QPalette>
#include <cmath>

namespace snaprill {

namespace {

double linearLight(int channel) {
  const double value = channel / 255.0;
  return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

}  // namespace

double relativeLuminance(const QColor& colour) {
  const QColor rgb = colour.toRgb();
  return 0.2126 * linearLight(rgb.red()) + 0.7152 * linearLight(rgb.green()) +
         0.0722 * linearLight(rgb.blue());
}

double contrastRatio(const QColor& first, const QColor& second) {
  const double a = relativeLuminance(first);
  const double b = relativeLuminance(second);
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor readableAgainst(const QColor& other, std::initializer_list<QColor> preferred) {
  for (const QColor& colour : preferred) {
    if (colour.isValid() && contrastRatio(colour, other) >= kReadableContrast) return colour;
  }
  const QColor black(Qt::black), white(Qt::white);
  return contrastRatio(black, other) >= contrastRatio(white, other) ? black : white;
}

bool lightTheme(const QPalette& palette) {
  return relativeLuminance(palette.color(QPalette::Window)) >
         relativeLuminance(palette.color(QPalette::WindowText));
}

}  // namespace snaprill
