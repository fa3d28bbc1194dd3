// The capture text renderer as a module that snaprill-batch opens only when a capture
// text is drawn: Qt's libraries cost more to load than most pictures take to save.
#include "text_module/text_module.h"

#include <QImage>
#include <memory>
#include <optional>
#include <string>

#include "backends/qt/qt_text_renderer.h"

struct SnaprillTextRenderer {
  snaprill::OffscreenApplication application;
  snaprill::QtTextRenderer renderer;
};

namespace {

snaprill::TextFont toTextFont(const SnaprillTextFont& font) {
  snaprill::TextFont out;
  out.name = font.name ? font.name : "";
  out.pointSize = font.pointSize;
  out.style = static_cast<int>(font.style);  // the same bits (batch/text_on_demand.cpp)
  out.colour = {font.colour.red, font.colour.green, font.colour.blue};
  return out;
}

}  // namespace

#define SNAPRILL_TEXT_EXPORT extern "C" __attribute__((visibility("default")))

SNAPRILL_TEXT_EXPORT SnaprillTextRenderer* snaprill_text_create(void) {
  try {
    return std::make_unique<SnaprillTextRenderer>().release();
  } catch (...) {
    return nullptr;
  }
}

SNAPRILL_TEXT_EXPORT void snaprill_text_destroy(SnaprillTextRenderer* renderer) {
  std::unique_ptr<SnaprillTextRenderer> owned(renderer);
}

SNAPRILL_TEXT_EXPORT SnaprillTextSize snaprill_text_measure(SnaprillTextRenderer* renderer,
                                                            const char* utf8, size_t length,
                                                            const SnaprillTextFont* font) {
  try {
    renderer->application.start();
    const snaprill::TextSize size =
        renderer->renderer.measure(std::string(utf8, length), toTextFont(*font));
    return {size.width, size.height};
  } catch (...) {
    return {0, 0};
  }
}

SNAPRILL_TEXT_EXPORT int snaprill_text_draw(SnaprillTextRenderer* renderer,
                                            const SnaprillTextTarget* target, int32_t x, int32_t y,
                                            const char* utf8, size_t length,
                                            const SnaprillTextFont* font,
                                            const SnaprillTextColour* background) {
  try {
    QImage image = snaprill::wrapPixelRows(target->pixels, target->width, target->height,
                                           target->stride, target->bitsPerPixel);
    if (image.isNull()) return -1;
    renderer->application.start();
    std::optional<snaprill::Rgb> fill;
    if (background) fill = snaprill::Rgb{background->red, background->green, background->blue};
    snaprill::paintText(image, x, y, std::string(utf8, length), toTextFont(*font), fill);
    return 0;
  } catch (...) {
    return -1;
  }
}
