// Settings-style text files for tests: a temporary folder on tmpfs where there is
// one (every settings save syncs each key to disk), and whole files as text.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

#include "support/temp_dir.h"

namespace snaprill::test {

class TempDir : public testing::TempDir {
 public:
  TempDir() : testing::TempDir(tmpfsOrTemp()) {}
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace snaprill::test
