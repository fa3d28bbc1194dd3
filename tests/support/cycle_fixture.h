// The fixture that drives a capture cycle over the fake services tick by tick in a
// fresh temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/cycle_on_fakes.h"
#include "support/temp_dir.h"

namespace snaprill::testing {

// The temporary folder is the program's folder and the output folder.
class CycleTest : public ::testing::Test, private TempDir, public CycleOnFakes {
 protected:
  CycleTest() : CycleOnFakes(dirsIn(path())) { options.setText(Option::outputDir, dir); }

  bool exists(const std::string& name) const { return std::filesystem::exists(dir + name); }
  // A folder that cannot be made, nor written to by anyone (root included).
  static std::string unusableFolder() { return "/proc/snaprill-test/no-folder/"; }

  const std::string dir = path();
};

}  // namespace snaprill::testing
