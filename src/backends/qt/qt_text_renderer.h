// Text drawing with Qt's fonts (fontconfig picks a face for a missing name).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/services.h"

class QFont;
class QImage;
class QGuiApplication;

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

// Rows of 32 bpp (B G R X) or 24 bpp (B G R) pixels as an image to paint on in
// place; a null image for other formats, which QPainter cannot draw on as they are.
QImage wrapPixelRows(std::uint8_t* pixels, int width, int height, std::size_t stride,
                     int bitsPerPixel);

// Draws onto an image as TextRenderer::draw describes.
void paintText(QImage& image, int x, int y, const std::string& utf8, const TextFont& font,
               const std::optional<Rgb>& background);

// Fonts need a QGuiApplication; programs without a display get one on the offscreen
// platform the first time start() is called, unless one is already running. It
// lives as long as this object.
class OffscreenApplication {
 public:
  OffscreenApplication();
  ~OffscreenApplication();
  OffscreenApplication(const OffscreenApplication&) = delete;
  OffscreenApplication& operator=(const OffscreenApplication&) = delete;

  void start();

 private:
  int argc_ = 1;
  char name_[16] = "snaprill";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QGuiApplication> app_;
};

// A renderer for programs without a display, on an OffscreenApplication.
std::unique_ptr<TextRenderer> makeOffscreenTextRenderer();

}  // namespace snaprill
