// Reactions of option controls that change what the window shows or the tray.
#include <string>

#include "capture/engine.h"

namespace snaprill {

void CaptureEngine::levelCaptionsChanged() {
  const std::string& caption = texts.get("Effects", "Current");
  pixlev2 = replaceIgnoringCase(caption, "%s", std::to_string(controls.value(C::pixlev)));
  blurlev2 = replaceIgnoringCase(caption, "%s", std::to_string(controls.value(C::blurlev)));
  notifyView();
}

void CaptureEngine::ikoon_alatiClick() {
  const bool add = controls.checked(C::ikoon_alati);
  platform.tray.notify(add ? TrayOperation::Add : TrayOperation::Delete, trayRecord);
  trayIconPresent = add;
  notifyView();
}

}  // namespace snaprill
