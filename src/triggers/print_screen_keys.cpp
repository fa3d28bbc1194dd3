#include "triggers/print_screen_keys.h"

#include "triggers/virtual_keys.h"

namespace snaprill {

namespace {

const unsigned long kPrint = *keysymOf(kVkPrintScreen);
const unsigned long kAlt = *keysymOf(kVkAlt);

}  // namespace

void sendPrintScreen(KeyInjector& keys) {
  const KeyStroke strokes[] = {{kPrint, true}, {kPrint, false}};
  keys.send(strokes);
}

void sendAltPrintScreen(KeyInjector& keys) {
  const KeyStroke strokes[] = {{kAlt, true}, {kPrint, true}, {kPrint, false}, {kAlt, false}};
  keys.send(strokes);
}

}  // namespace snaprill
