#include "options/output_type_choice.h"

namespace snaprill {

void chooseOutputType(Options& options, int type) {
  options.setValue(Option::outputType, type);
  if (options.value(Option::outputType) == kAvi) options.setChecked(Option::saveAnimation, true);
}

bool chooseSeparateImages(Options& options, Dialogs& dialogs, const Texts& texts) {
  if (options.value(Option::outputType) != kAvi) return false;
  options.setValue(Option::outputType, kGif);
  dialogs.messageBox(texts.get("Error", "AVIError6"));
  return true;
}

}  // namespace snaprill
