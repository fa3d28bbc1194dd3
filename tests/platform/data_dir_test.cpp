#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/program_dir.h"
#include "support/temp_dir.h"

namespace snaprill {
namespace {

// The shipped files beside the executable (a build folder, a portable copy) win over
// an installed layout; without either, the executable's folder is the answer.
TEST(DataDir, BesideTheProgramThenInstalledThenTheProgramsFolder) {
  const testing::TempDir root;
  const std::string bin = root.path() + "usr/bin/";
  const std::string share = root.path() + "usr/share/snaprill/";
  std::filesystem::create_directories(bin);
  std::filesystem::create_directories(share);
  EXPECT_EQ(locateDataDir(bin), bin);
  std::ofstream(share + "english.ini") << "[Main]\n";
  EXPECT_EQ(locateDataDir(bin), share);  // normalised, no "bin/.." in it
  std::ofstream(bin + "english.ini") << "[Main]\n";
  EXPECT_EQ(locateDataDir(bin), bin);
}

}  // namespace
}  // namespace snaprill
