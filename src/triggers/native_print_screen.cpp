#include "triggers/native_print_screen.h"

#include "triggers/virtual_keys.h"

namespace snaprill {

void NativePrintScreen::send(std::span<const KeyStroke> strokes) {
  static const unsigned long print = *keysymOf(kVkPrintScreen);
  static const unsigned long alt = *keysymOf(kVkAlt);
  bool altDown = false;
  for (const KeyStroke& stroke : strokes) {
    if (stroke.keysym == alt) altDown = stroke.down;
    if (stroke.keysym != print || !stroke.down) continue;
    try {
      // The cursor is drawn by the compositor where it can be; the cursor
      // adjustment knows nothing of a Wayland pointer.
      handOn(altDown ? screen_.grabActiveWindow()
                     : screen_.grabScreen(options_.checked(Option::addCursor)));
    } catch (const BitmapError&) {
      // A screen too large for a bitmap: as when the system cannot copy it, no
      // picture arrives.
    }
  }
}

void NativePrintScreen::handOn(Bitmap picture) {
  pictures_.deliver(std::move(picture), options_.checked(Option::printKeyCopiesScreen));
}

}  // namespace snaprill
