// Files of the source tree, for tests of what ships beside the code (the language
// file, the manual, the README). ctest names the tree in SNAPRILL_SOURCE.
#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace snaprill::test {

inline std::string sourcePath(const std::string& relative) {
  const char* source = std::getenv("SNAPRILL_SOURCE");
  return std::string(source ? source : ".") + "/" + relative;
}

// The whole file; empty when it cannot be read.
inline std::string sourceText(const std::string& relative) {
  std::ifstream in(sourcePath(relative), std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace snaprill::test
