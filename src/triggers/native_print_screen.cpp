#include "triggers/native_print_screen.h"

#include <exception>
#include <utility>

#include "triggers/virtual_keys.h"

namespace snaprill {

Bitmap nativePicture(ScreenGrabber& screen, const Options& options, bool activeWindow) {
  return activeWindow ? screen.grabActiveWindow()
                      : screen.grabScreen(options.checked(Option::addCursor));
}

NativePrintScreen::NativePrintScreen(const Options& options, const Clock& clock, Ways ways)
    : options_(options), clock_(clock), ways_(ways) {}

bool NativePrintScreen::onClipboard() const {
  return options_.checked(Option::printKeyCopiesScreen) && ways_.servingClipboard != nullptr;
}

void NativePrintScreen::send(std::span<const KeyStroke> strokes) {
  sendFor(strokes, std::nullopt);
}

void NativePrintScreen::sendFor(std::span<const KeyStroke> strokes,
                                std::optional<CaptureOrigin> origin) {
  static const unsigned long print = *keysymOf(kVkPrintScreen);
  static const unsigned long alt = *keysymOf(kVkAlt);
  bool altDown = false;
  const bool toSystem = onClipboard() && ways_.systemKeys != nullptr;
  for (const KeyStroke& stroke : strokes) {
    if (stroke.keysym == alt) altDown = stroke.down;
    if (stroke.keysym != print || !stroke.down) continue;
    const CaptureOrigin asked =
        origin.value_or(altDown ? CaptureOrigin::WindowKey : CaptureOrigin::ScreenKey);
    if (toSystem) {
      sentFor_ = asked;
      continue;
    }
    try {
      handOn(nativePicture(ways_.screen, options_, altDown), {asked, clock_.instant(), {}});
    } catch (const std::exception&) {
      // A screen too large for a bitmap: as when the system cannot copy it, no
      // picture arrives.
    }
  }
  if (toSystem) ways_.systemKeys->send(strokes);
}

void NativePrintScreen::answerPress(bool activeWindow) {
  const CaptureOrigin origin =
      std::exchange(sentFor_, std::nullopt)
          .value_or(activeWindow ? CaptureOrigin::WindowKey : CaptureOrigin::ScreenKey);
  try {
    handOn(nativePicture(ways_.screen, options_, activeWindow), {origin, clock_.instant(), {}});
  } catch (const std::exception&) {
    // As above: nothing arrives.
  }
}

void NativePrintScreen::handOn(Bitmap picture, const CaptureSource& source) {
  if (picture.empty()) return;
  // Only one way, never both: the cycle would save the picture once from each.
  if (onClipboard()) return ways_.servingClipboard->offer(std::move(picture), source);
  ways_.pictures.hold(std::move(picture), source);
}

}  // namespace snaprill
