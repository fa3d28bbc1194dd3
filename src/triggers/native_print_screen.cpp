#include "triggers/native_print_screen.h"

#include "triggers/virtual_keys.h"

namespace snaprill {

GrabRequest nativeRequest(const Options& options, bool activeWindow) {
  return {activeWindow, !activeWindow && options.checked(Option::addCursor)};
}

void NativePrintScreen::send(std::span<const KeyStroke> strokes) {
  static const unsigned long print = *keysymOf(kVkPrintScreen);
  static const unsigned long alt = *keysymOf(kVkAlt);
  bool altDown = false;
  for (const KeyStroke& stroke : strokes) {
    if (stroke.keysym == alt) altDown = stroke.down;
    if (stroke.keysym != print || !stroke.down) continue;
    screen_.grab(nativeRequest(options_, altDown),
                 [this](TakenPicture taken) { handOn(std::move(taken)); });
  }
}

void NativePrintScreen::handOn(TakenPicture taken) {
  if (taken.picture.empty()) return pictures_.lose(taken.lost);
  pictures_.deliver(std::move(taken.picture), options_.checked(Option::printKeyCopiesScreen));
}

}  // namespace snaprill
