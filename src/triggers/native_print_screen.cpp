#include "triggers/native_print_screen.h"

#include <utility>

#include "triggers/virtual_keys.h"

namespace snaprill {

GrabRequest nativeRequest(const Options& options, bool activeWindow) {
  return {activeWindow, !activeWindow && options.checked(Option::addCursor)};
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
    take(altDown, asked);
  }
  if (toSystem) ways_.systemKeys->send(strokes);
}

void NativePrintScreen::answerPress(bool activeWindow) {
  take(activeWindow,
       std::exchange(sentFor_, std::nullopt)
           .value_or(activeWindow ? CaptureOrigin::WindowKey : CaptureOrigin::ScreenKey));
}

void NativePrintScreen::take(bool activeWindow, CaptureOrigin origin) {
  // The moment of the press, not of the desktop's answer.
  const CaptureSource source{origin, clock_.instant(), {}};
  ways_.screen.grab(nativeRequest(options_, activeWindow),
                    [this, source](TakenPicture taken) { handOn(std::move(taken), source); });
}

void NativePrintScreen::handOn(TakenPicture taken, const CaptureSource& source) {
  if (taken.picture.empty()) return ways_.pictures.lose(taken.lost);
  // Only one way, never both: the cycle would save the picture once from each.
  if (onClipboard()) return ways_.servingClipboard->offer(std::move(taken.picture), source);
  ways_.pictures.hold(std::move(taken.picture), source);
}

}  // namespace snaprill
