// Text drawing with Qt's fonts (fontconfig picks a face for a missing name).
#pragma once

#include <memory>

#include "platform/services.h"

class QFont;

namespace snaprill {

// Draws through QPainter on a QImage that wraps the bitmap's rows (32 and 24 bpp
// directly; other formats through a 32-bit copy). Needs a QGuiApplication.
class QtTextRenderer : public TextRenderer {
 public:
  TextSize measure(const std::string& utf8, const TextFont& font) override;
  void draw(Bitmap& target, int x, int y, const std::string& utf8, const TextFont& font,
            const std::optional<Rgb>& background) override;
};

// The font for a TextFont: its size in points is taken at 96 dots per inch.
QFont toQFont(const TextFont& font);

// A renderer for programs without a display: the first text drawn or measured
// starts an offscreen QGuiApplication unless one is already running.
std::unique_ptr<TextRenderer> makeOffscreenTextRenderer();

}  // namespace snaprill
