// The cycle fixture set up for GIF and AVI output.
#pragma once

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "support/cycle_fixture.h"
#include "support/files.h"

namespace snaprill::testing {

class AnimationTest : public CycleTest {
 protected:
  AnimationTest() { options.setValue(Option::outputType, kGif); }

  std::vector<std::uint8_t> file(const std::string& name) const { return readBytes(dir + name); }
  std::size_t fileCount() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir),
                                                  std::filesystem::directory_iterator()));
  }
};

}  // namespace snaprill::testing
