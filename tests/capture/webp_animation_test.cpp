// Animated WebP through the capture cycle: frames in full colour, the GIF page's
// delay, and the other newer types saving each capture on its own.
#include <gtest/gtest.h>

#include <algorithm>

#include "formats/modern_types.h"
#include "support/animation_fixture.h"

namespace snaprill {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The ANMF chunks' frame durations (24 bits at payload offset 12), in file order.
std::vector<unsigned> frameDurations(const Bytes& b) {
  static const std::string kTag = "ANMF";
  std::vector<unsigned> durations;
  for (auto it = b.begin(); (it = std::search(it, b.end(), kTag.begin(), kTag.end())) != b.end();
       ++it) {
    const auto at = static_cast<std::size_t>(it - b.begin()) + 8 + 12;
    durations.push_back(b[at] | b[at + 1] << 8 | b[at + 2] << 16);
  }
  return durations;
}

class WebpAnimation : public testing::AnimationTest {
 protected:
  WebpAnimation() {
    options.setValue(Option::outputType, kWebp);
    options.setChecked(Option::saveAnimation, true);
  }
};

TEST_F(WebpAnimation, FramesGatherIntoOneFileWithTheGifDelay) {
  if (!kModernTypesBuilt) GTEST_SKIP() << "built without WebP";
  options.setValue(Option::animationFrameCount, 3);
  options.setValue(Option::frameDelay, 25);  // hundredths
  capture(testing::framePicture(40, 24, 1));
  // Another window's size: laid onto the animation's frame, not refused.
  capture(testing::framePicture(30, 50, 2));
  EXPECT_EQ(state.animation.pendingFrameIndex(), 1);
  EXPECT_EQ(fileCount(), 0u);
  capture(testing::framePicture(40, 24, 3));
  EXPECT_EQ(state.animation.pendingFrameIndex(), -1);
  ASSERT_EQ(lastSaved.path, dir + "snp1.webp");
  const Bytes b = file("snp1.webp");
  EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 12), "WEBP");
  EXPECT_EQ(frameDurations(b), (std::vector<unsigned>{250, 250, 250}));

  // The next animation starts afresh under the next number.
  options.setValue(Option::animationFrameCount, 2);
  capture(testing::framePicture(8, 8, 4));
  capture(testing::framePicture(8, 8, 5));
  EXPECT_EQ(frameDurations(file("snp2.webp")).size(), 2u);
}

TEST_F(WebpAnimation, PendingFramesAreWrittenAtClose) {
  if (!kModernTypesBuilt) GTEST_SKIP() << "built without WebP";
  options.setValue(Option::animationFrameCount, 5);
  capture(testing::framePicture(8, 8, 1));
  capture(testing::framePicture(8, 8, 2));
  cycle.close();
  EXPECT_EQ(state.animation.pendingFrameIndex(), -1);
  EXPECT_EQ(frameDurations(file("snp1.webp")).size(), 2u);
  EXPECT_FALSE(exists("snp1.gif"));
}

TEST_F(WebpAnimation, AvifAndJpegXlSaveEachCaptureSeparately) {
  if (!kModernTypesBuilt) GTEST_SKIP() << "built without AVIF and JPEG XL";
  options.setValue(Option::animationFrameCount, 3);
  options.setValue(Option::outputType, kAvif);
  capture(testing::framePicture(16, 8, 1));
  options.setValue(Option::outputType, kJpegXl);
  capture(testing::framePicture(16, 8, 2));
  EXPECT_TRUE(exists("snp1.avif"));
  EXPECT_TRUE(exists("snp2.jxl"));
  EXPECT_EQ(state.animation.pendingFrameIndex(), -1);
}

}  // namespace
}  // namespace snaprill
