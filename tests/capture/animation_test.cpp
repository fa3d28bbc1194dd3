#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <new>
#include <string>
#include <utility>

#include "formats/gif/gif_image.h"
#include "formats/modern_types.h"
#include "options/output_type_choice.h"
#include "support/animation_fixture.h"
#include "support/full_disk.h"

namespace snaprill {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::size_t count(const Bytes& hay, const Bytes& needle) {
  std::size_t n = 0;
  for (auto it = hay.begin();
       (it = std::search(it, hay.end(), needle.begin(), needle.end())) != hay.end(); ++it)
    ++n;
  return n;
}

std::uint32_t le32(const Bytes& b, std::size_t at) {
  return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
         std::uint32_t(b[at + 3]) << 24;
}

std::size_t find(const Bytes& b, const std::string& tag) {
  return static_cast<std::size_t>(std::search(b.begin(), b.end(), tag.begin(), tag.end()) -
                                  b.begin());
}

const Bytes kGce10 = {0x21, 0xF9, 0x04, 0x00, 0x0A, 0x00, 0x00, 0x00};
const Bytes kLoop = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};

class Animation : public testing::AnimationTest {};

TEST_F(Animation, GifAnimationWrittenWhenImageCountReached) {
  options.setChecked(Option::saveAnimation, true);
  options.setValue(Option::animationFrameCount, 3);
  capture(testing::framePicture(32, 20, 1));
  capture(testing::framePicture(32, 20, 2));
  EXPECT_EQ(state.names.counter(), 0);
  EXPECT_EQ(state.animation.pendingFrameIndex(), 1);
  EXPECT_EQ(fileCount(), 0u);
  capture(testing::framePicture(32, 20, 3));
  EXPECT_EQ(state.animation.pendingFrameIndex(), -1);
  EXPECT_EQ(lastSaved.path, dir + "snp1.gif");
  const Bytes b = file("snp1.gif");
  EXPECT_EQ(std::string(b.begin(), b.begin() + 6), "GIF89a");
  EXPECT_EQ(count(b, kGce10), 3u);
  EXPECT_EQ(count(b, kLoop), 3u);
  EXPECT_EQ(state.animation.frames().frameCount(), 0);
}

TEST_F(Animation, SeparateImagesAreSingleGifsAlsoForAvi) {
  capture(testing::framePicture(16, 8));
  const Bytes first = file("snp1.gif");
  EXPECT_EQ(std::string(first.begin(), first.begin() + 6), "GIF87a");
  EXPECT_EQ(first[13], 0x2C);  // no extension blocks
  // Gray: the table is the 256 gray levels.
  options.setChecked(Option::gifGrayscale, true);
  capture(testing::framePicture(16, 8));
  const Bytes gray = file("snp2.gif");
  for (int i = 0; i < 256; ++i) ASSERT_EQ(gray[23 + 3 * i + 1], i);
  // The AVI type with separate images still writes single GIFs.
  options.setValue(Option::outputType, kAvi);
  options.setChecked(Option::saveAnimation, false);
  capture(testing::framePicture(16, 8));
  EXPECT_TRUE(exists("snp3.gif"));
}

TEST_F(Animation, AviFileWithTwoKeyFrames) {
  options.setValue(Option::outputType, kAvi);
  options.setChecked(Option::saveAnimation, true);
  platform.background = &background;
  capture(testing::framePicture(30, 10, 1));
  background.runNext();
  capture(testing::framePicture(30, 10, 2));
  // A capture offered while the file is written is taken, and its frame waits
  // for the write: it begins the next animation.
  ASSERT_TRUE(background.busy());
  capture(testing::framePicture(30, 10, 9));
  background.runNext();
  EXPECT_EQ(lastSaved.files, std::vector<std::string>{dir + "snp1.avi"});
  background.runNext();
  EXPECT_EQ(state.animation.pendingFrameIndex(), 0);
  EXPECT_EQ(state.animation.frames().frameCount(), 1);
  const Bytes b = file("snp1.avi");
  ASSERT_GT(b.size(), 100u);
  EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 12), "AVI ");
  EXPECT_EQ(le32(b, 4) + 8, b.size());
  const std::size_t strh = find(b, "strh") + 8;
  EXPECT_EQ(std::string(b.begin() + long(strh), b.begin() + long(strh) + 4), "vids");
  EXPECT_EQ(le32(b, strh + 20), 10u);   // scale: the delay, in hundredths
  EXPECT_EQ(le32(b, strh + 24), 100u);  // rate: 100 / 10 frames per second
  EXPECT_EQ(le32(b, strh + 32), 2u);    // length
  // Microseconds per frame: the delay's 100 ms.
  EXPECT_EQ(le32(b, find(b, "avih") + 8), 100000u);
  const std::size_t idx = find(b, "idx1");
  ASSERT_EQ(le32(b, idx + 4), 32u);
  EXPECT_EQ(le32(b, idx + 12), 0x10u);
  EXPECT_EQ(le32(b, idx + 28), 0x10u);
  EXPECT_EQ(le32(b, idx + 8 + 16 + 12), 32u * 10u);  // 30 pixels padded to 32, 10 rows
}

TEST_F(Animation, DelaysOutsideTheSixteenBitField) {
  // Beyond 65535 hundredths the largest delay is kept; an AVI without delay plays
  // at scale 1.
  options.setChecked(Option::saveAnimation, true);
  options.setValue(Option::frameDelay, 70000);
  capture(testing::framePicture(8, 8));
  capture(testing::framePicture(8, 8));
  EXPECT_EQ(count(file("snp1.gif"), {0x21, 0xF9, 0x04, 0x00, 0xFF, 0xFF}), 2u);
  options.setValue(Option::outputType, kAvi);
  options.setValue(Option::frameDelay, 0);
  capture(testing::framePicture(8, 8));
  capture(testing::framePicture(8, 8));
  const Bytes b = file("snp2.avi");
  EXPECT_EQ(le32(b, find(b, "strh") + 8 + 20), 1u);
}

// One step of a case below: a capture, a setting changed as the user changes it,
// or the close.
struct Step {
  enum { Capture, Set, Close } what;
  Option option = Option::outputType;
  int value = 0;
};
constexpr Step kCapture{Step::Capture};
constexpr Step kClose{Step::Close};
constexpr Step set(Option option, int value) {
  return {Step::Set, option, value};
}

struct WrittenFile {
  std::string name;
  int frames;
};

struct SettingsCase {
  const char* fault;               // what went wrong without the rule
  std::vector<Step> steps;         // after the type GIF, "Save animation" and a count of 3
  std::vector<WrittenFile> files;  // every file in the folder, in name order
};

// Frames in a file: an animated GIF's frames each carry the looping extension (a
// single picture none); an AVI's stream length; a WebP's ANMF chunks (a still
// picture none).
int framesIn(const Bytes& b, const std::string& name) {
  const std::string extension = name.substr(name.rfind('.'));
  std::size_t frames = 1;
  if (extension == ".gif") frames = count(b, kLoop);
  if (extension == ".webp") frames = count(b, {'A', 'N', 'M', 'F'});
  if (extension == ".avi") frames = le32(b, find(b, "strh") + 8 + 32);
  return std::max(1, static_cast<int>(frames));
}

// Frames that wait belong to the animation they were gathered for: a change of the
// type, the count or "Save each image separately" first writes them as that
// animation, in that type, under the next number; so does the close.
TEST_F(Animation, ChangedSettingsAndTheCloseWriteWaitingFramesAsTheirOwnAnimation) {
  using O = Option;
  const Step fiveFrames = set(O::animationFrameCount, 5);
  const Step webp = set(O::outputType, kWebp);
  const std::vector<SettingsCase> cases = {
      {"separately clicked: the waiting frame and the next capture made one 2-frame GIF",
       {kCapture, set(O::saveAnimation, 0), kCapture},
       {{"snp1.gif", 1}, {"snp2.gif", 1}}},
      {"AVI frames waiting at the close became a GIF while the type said AVI",
       {set(O::outputType, kAvi), kCapture, kCapture, kClose},
       {{"snp1.avi", 2}}},
      {"separately clicked on AVI: the waiting AVI frame became part of a GIF",
       {set(O::outputType, kAvi), kCapture, set(O::saveAnimation, 0), set(O::outputType, kGif),
        kCapture},
       {{"snp1.avi", 1}, {"snp2.gif", 1}}},
      {"GIF frames waiting went into the AVI chosen after them",
       {kCapture, set(O::outputType, kAvi), kCapture, kCapture, kCapture},
       {{"snp1.gif", 1}, {"snp2.avi", 3}}},
      {"a count raised while frames waited merged them with later captures",
       {kCapture, kCapture, set(O::animationFrameCount, 4), kCapture, kCapture, kCapture, kCapture},
       {{"snp1.gif", 2}, {"snp2.gif", 4}}},
      {"a count lowered below the waiting frames finished them with one capture more",
       {fiveFrames, kCapture, kCapture, kCapture, set(O::animationFrameCount, 2), kCapture,
        kCapture},
       {{"snp1.gif", 3}, {"snp2.gif", 2}}},
      {"a setting of the frames alone (the delay) must not cut the animation short",
       {kCapture, set(O::frameDelay, 20), kCapture, kCapture},
       {{"snp1.gif", 3}}},
      {"a WebP frame waited past later captures and took a number after theirs at the exit",
       {webp, kCapture, set(O::outputType, kJpeg), kCapture, kCapture, kClose},
       {{"snp1.webp", 1}, {"snp2.jpg", 1}, {"snp3.jpg", 1}}},
      {"WebP frames waiting went missing when GIF frames followed",
       {webp, kCapture, set(O::outputType, kGif), kCapture, kClose},
       {{"snp1.webp", 1}, {"snp2.gif", 1}}},
  };
  for (const SettingsCase& c : cases) {
    SCOPED_TRACE(c.fault);
    if (!kModernTypesBuilt && c.files.front().name.ends_with(".webp")) continue;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      std::filesystem::remove(entry.path());
    }
    state.names.setCounter(0);
    options.setValue(Option::outputType, kGif);
    options.setChecked(Option::saveAnimation, true);
    options.setValue(Option::animationFrameCount, 3);
    for (const Step& step : c.steps) {
      if (step.what == Step::Capture) capture(testing::framePicture(8, 8));
      if (step.what == Step::Set) options.setValue(step.option, step.value);
      if (step.what == Step::Close) cycle.close();
    }
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected;
    for (const WrittenFile& f : c.files) expected.push_back(f.name);
    ASSERT_EQ(names, expected);
    for (const WrittenFile& f : c.files)
      EXPECT_EQ(framesIn(file(f.name), f.name), f.frames) << f.name;
    EXPECT_EQ(state.animation.pendingFrameIndex(), -1);
  }
}

// Frames that find no number left when they are written are gone: told, as a
// capture dropped for that reason is, not in silence.
TEST_F(Animation, WaitingFramesWithNoNumberLeftAreToldWhenASettingWritesThem) {
  options.setChecked(Option::saveAnimation, true);
  options.setValue(Option::animationFrameCount, 3);
  capture(testing::framePicture(8, 8));
  state.names.setCounter(kMaxImageNumber);
  options.setChecked(Option::saveAnimation, false);
  EXPECT_EQ(status.statusText(),
            "A capture was not saved: every file number up to 99999 is taken.");
  EXPECT_EQ(fileCount(), 0u);
}

TEST_F(Animation, SeparateImagesClickLeavesAvi) {
  chooseOutputType(options, kAvi);
  EXPECT_TRUE(options.checked(Option::saveAnimation));
  options.setChecked(Option::saveAnimation, false);
  chooseSeparateImages(options, dialogs, texts);
  EXPECT_EQ(options.value(Option::outputType), kGif);
  EXPECT_EQ(
      dialogs.messages,
      (std::vector<std::string>{"You cannot save 1-image AVI files. Image type changed to GIF."}));
  chooseSeparateImages(options, dialogs, texts);  // GIF already: nothing more
  EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(Animation, FailedGifWriteDropsItsFrames) {
  options.setChecked(Option::saveAnimation, true);
  options.setText(Option::outputDir, unusableFolder());
  capture(testing::framePicture(8, 8, 1));
  capture(testing::framePicture(8, 8, 2));
  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_EQ(dialogs.errors[0].rfind(texts.get("Error", "DiskFull"), 0), 0u);
  EXPECT_EQ(state.names.counter(), 0);  // the number is free again
  EXPECT_EQ(state.animation.frames().frameCount(), 0);
  // The first frame's picture was kept as a frame and left the clipboard; the
  // second's, which was to finish the file, is still there.
  EXPECT_EQ(clipboard.clears, 1);
  EXPECT_TRUE(clipboard.holdsAnything());
  options.setText(Option::outputDir, dir);
  capture(testing::framePicture(8, 8, 3));
  capture(testing::framePicture(8, 8, 4));
  EXPECT_EQ(count(file("snp1.gif"), kLoop), 2u);
  EXPECT_EQ(fileCount(), 1u);
}

TEST_F(Animation, AviFailuresShowTheirMessages) {
  options.setValue(Option::outputType, kAvi);
  options.setChecked(Option::saveAnimation, true);
  options.setText(Option::outputDir, unusableFolder());
  capture(testing::framePicture(8, 8));
  capture(testing::framePicture(8, 8));
  // The AVI writer's own box, and no disk-full box besides.
  EXPECT_EQ(dialogs.errors, (std::vector<std::string>{"Failed to create AVI file"}));
  EXPECT_TRUE(lastSaved.path.empty());
  EXPECT_TRUE(launcher.launches.empty());
  EXPECT_EQ(cycle.counts().failed, 1);
  EXPECT_EQ(state.names.counter(), 0);
  EXPECT_TRUE(clipboard.holdsAnything());
  EXPECT_FALSE(clipboard.hasPicture());
  // A first frame without a picture gives no bitmap information. (The cycle never
  // hands over an empty capture: it is a lost one.)
  options.setText(Option::outputDir, dir);
  const auto taken = std::make_shared<const Options>(options.snapshot());
  state.animation.prepareFrame(Bitmap(), taken, state.names)();
  const WriteOutcome failed =
      state.animation.prepareFrame(testing::framePicture(8, 8), taken, state.names)();
  EXPECT_EQ(failed.aviFailure, "AVIError2");
  EXPECT_EQ(texts.get("Error", failed.aviFailure), "Failed to retrieve bitmap info");
  EXPECT_EQ(fileCount(), 0u);
  // The failed write leaves no frame behind for the next animation.
  EXPECT_EQ(state.animation.frames().frameCount(), 0);
  state.names.setCounter(0);
  capture(testing::framePicture(8, 8, 3));
  capture(testing::framePicture(8, 8, 4));
  const Bytes b = file("snp1.avi");
  EXPECT_EQ(le32(b, find(b, "strh") + 8 + 32), 2u);  // length: the two new frames only
}

TEST_F(Animation, AviFramesTheDiskRefusesShowTheFrameMessage) {
  options.setValue(Option::outputType, kAvi);
  options.setChecked(Option::saveAnimation, true);
  // The headers fit under the limit; the first frame's 4 KiB do not.
  EXPECT_TRUE(testing::answerOnFullDisk(2048, [&] {
    capture(testing::framePicture(64, 64));
    capture(testing::framePicture(64, 64));
    return dialogs.errors == std::vector<std::string>{"Failed to add frame to AVI"} &&
           fileCount() == 0;
  }));
}

TEST_F(Animation, LogicalScreenFollowsEachFile) {
  capture(testing::framePicture(1024, 768));
  options.setChecked(Option::saveAnimation, true);
  capture(testing::framePicture(640, 480));
  capture(testing::framePicture(640, 480));
  const Bytes b = file("snp2.gif");
  EXPECT_EQ(b[6] | b[7] << 8, 640);
  EXPECT_EQ(b[8] | b[9] << 8, 480);
}

TEST_F(Animation, AviFramesOfOtherSizesAreFittedToTheFirst) {
  options.setValue(Option::outputType, kAvi);
  options.setChecked(Option::saveAnimation, true);
  capture(testing::framePicture(20, 10));
  capture(testing::framePicture(40, 30));
  const Bytes b = file("snp1.avi");
  const std::size_t idx = find(b, "idx1");
  EXPECT_EQ(le32(b, idx + 8 + 12), 200u);
  EXPECT_EQ(le32(b, idx + 24 + 12), 200u);
  // The stream's rectangle is the largest frame.
  const std::size_t strh = find(b, "strh") + 8;
  EXPECT_EQ(b[strh + 52] | b[strh + 53] << 8, 40);
  EXPECT_EQ(b[strh + 54] | b[strh + 55] << 8, 30);
}

}  // namespace
}  // namespace snaprill
