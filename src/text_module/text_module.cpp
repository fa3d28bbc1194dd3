// The capture text renderer as a module that snaprill-batch opens only when a capture
// text is drawn: Qt's libraries cost more to load than most pictures take to save.
#include "text_module/text_module.h"
#include "backends/qt/qt_text_renderer.h"

extern "C" __attribute__((visibility("default"))) snaprill::TextRenderer*
snaprill_make_text_renderer() {
  return snaprill::makeOffscreenTextRenderer().release();
}
