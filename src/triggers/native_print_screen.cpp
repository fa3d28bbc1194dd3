#include "triggers/native_print_screen.h"

#include "triggers/virtual_keys.h"

namespace snaprill {

Bitmap nativePicture(ScreenGrabber& screen, const Options& options, bool activeWindow) {
  return activeWindow ? screen.grabActiveWindow()
                      : screen.grabScreen(options.checked(Option::addCursor));
}

void NativePrintScreen::send(std::span<const KeyStroke> strokes) {
  static const unsigned long print = *keysymOf(kVkPrintScreen);
  static const unsigned long alt = *keysymOf(kVkAlt);
  bool altDown = false;
  for (const KeyStroke& stroke : strokes) {
    if (stroke.keysym == alt) altDown = stroke.down;
    if (stroke.keysym != print || !stroke.down) continue;
    try {
      handOn(nativePicture(screen_, options_, altDown));
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
