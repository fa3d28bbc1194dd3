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

QImage wrapPixelRows(std::uint8_t* pixels, int width, int height, std::size_t stride,
                     int bitsPerPixel) {
  const auto wrap = [&](QImage::Format format) {
    return QImage(pixels, width, height, static_cast<qsizetype>(stride), format);
  };
  switch (bitsPerPixel) {
    case 32:
      return wrap(QImage::Format_RGB32);
    case 24:
      return wrap(QImage::Format_BGR888);
    default:
      return QImage();
  }
}

void paintText(QImage& image, int x, int y, const std::string& utf8, const TextFont& font,
               const std::optional<Rgb>& background) {
  if (utf8.empty() || image.isNull()) return;
  const QString text = QString::fromStdString(utf8);
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

TextSize QtTextRenderer::measure(const std::string& utf8, const TextFont& font) {
  const QFontMetrics metrics(toQFont(font));
  return {metrics.horizontalAdvance(QString::fromStdString(utf8)), metrics.height()};
}

void QtTextRenderer::draw(Bitmap& target, int x, int y, const std::string& utf8,
                          const TextFont& font, const std::optional<Rgb>& background) {
  if (utf8.empty() || target.empty()) return;
  const auto wrap = [](Bitmap& b) {
    return wrapPixelRows(b.row(0), b.width(), b.height(), b.stride(), b.bitsPerPixel());
  };
  if (QImage image = wrap(target); !image.isNull()) {
    paintText(image, x, y, utf8, font, background);
    return;
  }
  const int format = target.bitsPerPixel();
  Bitmap copy = target.convertedTo(32);
  QImage image = wrap(copy);
  paintText(image, x, y, utf8, font, background);
  target = copy.convertedTo(format);
}

OffscreenApplication::OffscreenApplication() = default;
OffscreenApplication::~OffscreenApplication() = default;

void OffscreenApplication::start() {
  if (QGuiApplication::instance()) return;
  // The offscreen platform needs no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  app_ = std::make_unique<QGuiApplication>(argc_, argv_);
}

namespace {

class OffscreenTextRenderer : public TextRenderer {
 public:
  TextSize measure(const std::string& utf8, const TextFont& font) override {
    application_.start();
    return renderer_.measure(utf8, font);
  }
  void draw(Bitmap& target, int x, int y, const std::string& utf8, const TextFont& font,
            const std::optional<Rgb>& background) override {
    application_.start();
    renderer_.draw(target, x, y, utf8, font, background);
  }

 private:
  OffscreenApplication application_;
  QtTextRenderer renderer_;
};

}  // namespace

std::unique_ptr<TextRenderer> makeOffscreenTextRenderer() {
  return std::make_unique<OffscreenTextRenderer>();
}

}  // namespace snaprill
