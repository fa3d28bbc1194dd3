// Reactions of option options that change what the window shows or the tray.
#include <string>

#include "capture/engine.h"

namespace snaprill {

void CaptureEngine::levelCaptionsChanged() {
  const std::string& caption = texts.get("Effects", "Current");
  pixlev2 =
      replaceIgnoringCase(caption, "%s", std::to_string(options.value(Option::pixelizeLevel)));
  blurlev2 = replaceIgnoringCase(caption, "%s", std::to_string(options.value(Option::blurLevel)));
  notifyView();
}

void CaptureEngine::ikoon_alatiClick() {
  const bool add = options.checked(Option::trayIconAlways);
  platform.tray.notify(add ? TrayOperation::Add : TrayOperation::Delete, trayRecord);
  trayIconPresent = add;
  notifyView();
}

}  // namespace snaprill
