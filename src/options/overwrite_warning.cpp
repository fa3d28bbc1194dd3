#include "options/overwrite_warning.h"

namespace snaprill {

OverwriteWarning::OverwriteWarning(Options& options, Dialogs& dialogs, const Texts& texts)
    : options_(options),
      dialogs_(dialogs),
      texts_(texts),
      watch_(options.watch(Option::overwriteFiles, [this] { changed(); })) {}

OverwriteWarning::~OverwriteWarning() {
  options_.unwatch(watch_);
}

void OverwriteWarning::changed() {
  if (!options_.checked(Option::overwriteFiles)) return;
  // Qt breaks lines at a line feed only; a carriage return would show the warning on
  // one line.
  const std::string warning = withLineBreaks(texts_.get("Settings", "OverwriteWarning"));
  if (!dialogs_.confirm(warning)) options_.setChecked(Option::overwriteFiles, false);
}

}  // namespace snaprill
