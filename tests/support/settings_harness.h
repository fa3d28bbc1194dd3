// A capture cycle on fake services whose program directory is a temporary folder, and
// whose autostart entries go to a folder of their own.
#pragma once

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <string>

#include "support/cycle_fixture.h"

namespace snaprill::test {

// On tmpfs where there is one: every settings save syncs each key to disk.
class TempDir : public testing::TempDir {
 public:
  TempDir() : testing::TempDir(tmpfsOrTemp()) {}
};

// A capture cycle whose program folder is dir; autostart entries go below it too.
struct Harness : testing::CycleOnFakes {
  explicit Harness(const std::string& dir) : CycleOnFakes(testing::dirsIn(dir)) {
    ::setenv("XDG_CONFIG_HOME", (dir + "xdg").c_str(), 1);
  }
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace snaprill::test
