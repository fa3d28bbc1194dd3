// The example file name beside the prefix is the name the capture cycle then writes,
// whatever the type, padding and animation choice.
#include <filesystem>

#include "options/file_prefix.h"
#include "support/cycle_fixture.h"

namespace snaprill {
namespace {

using testing::CycleTest;

TEST_F(CycleTest, TheExampleNameIsTheNameTheFirstCaptureGets) {
  options.setText(Option::filePrefix, "shot_");
  for (int type = kJpeg; type <= kPcx; ++type) {
    for (const bool animation : {false, true}) {
      for (const bool zeroPadded : {false, true}) {
        SCOPED_TRACE(::testing::Message()
                     << "type " << type << ", animation " << animation << ", zeros " << zeroPadded);
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
          std::filesystem::remove_all(entry.path());
        }
        state.names.setCounter(0);
        options.setValue(Option::outputType, type);
        options.setChecked(Option::saveAnimation, animation);
        options.setChecked(Option::zeroPadNumbers, zeroPadded);
        const std::string example = exampleFileName(options);
        // An animation is written once its last frame has come.
        const bool framed = animation && (type == kGif || type == kAvi);
        const int frames = framed ? options.value(Option::animationFrameCount) : 1;
        for (int frame = 0; frame < frames; ++frame) capture();
        ASSERT_FALSE(lastSaved.path.empty());
        EXPECT_EQ(std::filesystem::path(lastSaved.path).filename(), example);
      }
    }
  }
}

}  // namespace
}  // namespace snaprill
