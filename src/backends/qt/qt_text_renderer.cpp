#include "backends/qt/qt_text_renderer.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace snaprill {

QFont toQFont(const TextFont& font) {
  QFont f(QString::fromStdString(font.name));
  const long long points = std::llabs(static_cast<long long>(font.pointSize));
  f.setPixelSize(static_cast<int>(std::clamp<long long>((points * 96 + 36) / 72, 1, 4096)));
  f.setBold((font.style & kTextBold) != 0);
  f.setItalic((font.style & kTextItalic) != 0);
  f.setUnderline((font.style & kTextUnderline) != 0);
  f.setStrikeOut((font.style & kTextStrikeOut) != 0);
  return f;
}

TextSize QtTextRenderer::measure(const std::string& utf8, const TextFont& font) {
  const QFontMetrics metrics(toQFont(font));
  return {metrics.horizontalAdvance(QString::fromStdString(utf8)), metrics.height()};
}

namespace {

void paint(QImage& image, int x, int y, const QString& text, const TextFont& font,
           const std::optional<Rgb>& background) {
  const QFont f = toQFont(font);
  const QFontMetrics metrics(f);
  QPainter painter(&image);
  painter.setFont(f);
  if (background) {
    painter.fillRect(x, y, metrics.horizontalAdvance(text), metrics.height(),
                     QColor(background->r, background->g, background->b));
  }
  painter.setPen(QColor(font.colour.r, font.colour.g, font.colour.b));
  painter.drawText(x, y + metrics.ascent(), text);
}

}  // namespace

void QtTextRenderer::draw(Bitmap& target, int x, int y, const std::string& utf8,
                          const TextFont& font, const std::optional<Rgb>& background) {
  if (utf8.empty() || target.empty()) return;
  const QString text = QString::fromStdString(utf8);
  const auto wrap = [](Bitmap& b, QImage::Format format) {
    return QImage(b.row(0), b.width(), b.height(), static_cast<qsizetype>(b.stride()), format);
  };
  switch (target.bitsPerPixel()) {
    case 32: {
      QImage image = wrap(target, QImage::Format_RGB32);
      paint(image, x, y, text, font, background);
      return;
    }
    case 24: {
      QImage image = wrap(target, QImage::Format_BGR888);
      paint(image, x, y, text, font, background);
      return;
    }
    default: {
      const int format = target.bitsPerPixel();
      Bitmap copy = target.convertedTo(32);
      QImage image = wrap(copy, QImage::Format_RGB32);
      paint(image, x, y, text, font, background);
      target = copy.convertedTo(format);
      return;
    }
  }
}

namespace {

class OffscreenTextRenderer : public TextRenderer {
 public:
  TextSize measure(const std::string& utf8, const TextFont& font) override {
    ensureApplication();
    return renderer_.measure(utf8, font);
  }
  void draw(Bitmap& target, int x, int y, const std::string& utf8, const TextFont& font,
            const std::optional<Rgb>& background) override {
    ensureApplication();
    renderer_.draw(target, x, y, utf8, font, background);
  }

 private:
  void ensureApplication() {
    if (QGuiApplication::instance()) return;
    // Fonts need an application; the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
  }
  QtTextRenderer renderer_;
  int argc_ = 1;
  char name_[16] = "snaprill";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QGuiApplication> app_;
};

}  // namespace

std::unique_ptr<TextRenderer> makeOffscreenTextRenderer() {
  return std::make_unique<OffscreenTextRenderer>();
}

}  // namespace snaprill
