// A capture cycle on fake services whose program directory is a temporary folder,
// with the settings files, and whose autostart entries go to a folder of their own.
#pragma once

#include <stdlib.h>

#include <string>

#include "settings/settings_file.h"
#include "support/cycle_fixture.h"
#include "support/text_files.h"

namespace snaprill::test {

// A capture cycle whose program folder is dir; autostart entries go below it too.
struct Harness : testing::CycleOnFakes {
  explicit Harness(const std::string& dir) : CycleOnFakes(testing::dirsIn(dir)) {
    ::setenv("XDG_CONFIG_HOME", (dir + "xdg").c_str(), 1);
  }
  SettingsFiles settings{options, texts, state, platform.dirs, &cycle, &reports};
};

}  // namespace snaprill::test
