// "Overwrite existing files" asks before it takes effect: a user who cancels the
// warning gets the box unchecked again.
#pragma once

#include "options/options.h"
#include "options/texts.h"
#include "platform/services.h"

namespace snaprill {

class OverwriteWarning {
 public:
  // Watches the option from here on; everything given outlives the warning.
  OverwriteWarning(Options& options, Dialogs& dialogs, const Texts& texts);
  ~OverwriteWarning();
  OverwriteWarning(const OverwriteWarning&) = delete;
  OverwriteWarning& operator=(const OverwriteWarning&) = delete;

 private:
  void changed();

  Options& options_;
  Dialogs& dialogs_;
  const Texts& texts_;
  Options::WatchId watch_;
};

}  // namespace snaprill
