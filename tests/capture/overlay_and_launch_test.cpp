// Loading and clearing the overlay picture, and the external program's arguments.
#include <gtest/gtest.h>

#include "capture/external_program.h"
#include "support/adjust_fixture.h"
#include "support/files.h"
#include "support/picture_bytes.h"

namespace snaprill {
namespace {

using Overlay = testing::AdjustFixture;
using Launch = testing::AdjustFixture;

TEST_F(Overlay, LoadsPicturesAndKeepsTheOldOneOnEveryFailure) {
  std::vector<Rgb> colours = {Rgb{1, 2, 3}, Rgb{200, 100, 50}};
  const testing::Bytes gif = testing::makeGif(3, 2, {0, 1, 0, 1, 1, 1}, colours);
  testing::writeBytes(dir + "a.gif", gif);
  loadOverlay(dir + "a.gif");
  ASSERT_EQ(state.overlay.picture().width(), 3);
  EXPECT_EQ(state.overlay.picture().pixel(1, 0), (Rgb{200, 100, 50}));
  const Bitmap loaded = state.overlay.picture();

  // A broken GIF is reported through the program-wide handler (which leaves the
  // clipboard alone: no capture is at stake) and changes nothing.
  testing::writeBytes(dir + "broken.gif", testing::Bytes(gif.begin(), gif.begin() + 800));
  clipboard.offerText("the user's");
  loadOverlay(dir + "broken.gif");
  EXPECT_EQ(state.overlay.picture(), loaded);
  EXPECT_EQ(clipboard.clears, 0);
  EXPECT_TRUE(clipboard.hasText());

  // A Targa that cannot be read (2 x 2 with one pixel) is ignored in silence, as is
  // an unreadable bitmap or a file of no known kind; a truncated metafile is
  // reported.
  testing::writeBytes(dir + "cut.tga",
                      {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0, 9, 9, 9});
  testing::writeBytes(dir + "bad.bmp", {'B', 'M', 1, 2, 3});
  testing::writeBytes(dir + "what.xyz", {'?', '?', '?', '?'});
  loadOverlay(dir + "cut.tga");
  loadOverlay(dir + "bad.bmp");
  loadOverlay(dir + "what.xyz");
  EXPECT_EQ(state.overlay.picture(), loaded);
  const testing::Bytes emf = testing::makeEmf(Bitmap(2, 2, 24), 4, 4, 0, 0, 2, 2);
  testing::writeBytes(dir + "cut.emf", testing::Bytes(emf.begin(), emf.begin() + 100));
  loadOverlay(dir + "cut.emf");
  EXPECT_EQ(state.overlay.picture(), loaded);
  EXPECT_EQ(clipboard.clears, 0);
  EXPECT_TRUE(dialogs.errors.empty());

  testing::writeBytes(dir + "m.emf", emf);
  loadOverlay(dir + "m.emf");
  EXPECT_EQ(state.overlay.picture().width(), 4);
  // Targa files are known by their header: an uncompressed one (00 00 02, once
  // tried as a Windows bitmap and ignored) is read.
  testing::writeBytes(dir + "plain.tga",
                      {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 7, 8, 9});
  loadOverlay(dir + "plain.tga");
  EXPECT_EQ(state.overlay.picture().pixel(0, 0), (Rgb{9, 8, 7}));
  state.overlay.clear();
  EXPECT_TRUE(state.overlay.picture().empty());
}

TEST_F(Launch, ArgumentsAndWorkingDirectoryFromTheTemplate) {
  const std::string out = options.text(Option::outputDir);
  const std::string file = out + "snp1.jpg";
  const auto launched = [&](const std::string& params) {
    options.setText(Option::externalParameters, params);
    launchExternalProgram(platform.launcher, options, file);
    return launcher.launches.back();
  };
  auto l = launched("%filename");
  EXPECT_EQ(l.program, "xdg-open");
  EXPECT_EQ(l.arguments, std::vector<std::string>{file});
  EXPECT_EQ(l.workingDirectory, out);
  EXPECT_EQ(launched("/p %shortfilename").arguments, (std::vector<std::string>{"/p", file}));
  EXPECT_EQ(launched("%FileName").arguments, std::vector<std::string>{file});
  EXPECT_TRUE(launched("").arguments.empty());
  EXPECT_EQ(launched("  --a   \"b c\" 'd e' x\\ y \"\" --file=%FILENAME").arguments,
            (std::vector<std::string>{"--a", "b c", "d e", "x y", "", "--file=" + file}));
}

TEST(LaunchArguments, FileNamesAreNeverInterpreted) {
  for (const std::string name :
       {"/tmp/a b.jpg", "/tmp/q\"uo'te.jpg", "/tmp/$(touch x).jpg", "/tmp/`id`;rm -rf x.jpg",
        "/tmp/new\nline.jpg", "/tmp/%filename.jpg"}) {
    EXPECT_EQ(expandProgramArguments("%filename", name), std::vector<std::string>{name});
    EXPECT_EQ(expandProgramArguments("-o \"%shortfilename\"", name),
              (std::vector<std::string>{"-o", name}));
  }
}

TEST_F(Launch, OnlyWrittenFilesStartTheProgramAndTheCaptionToggles) {
  options.setValue(Option::outputType, kBitmap);
  options.setChecked(Option::openInExternalProgram,
                     !options.checked(Option::openInExternalProgram));
  ASSERT_TRUE(options.checked(Option::openInExternalProgram));
  clipboard.offerBitmap(Bitmap(4, 4, 32));
  tick();
  ASSERT_EQ(launcher.launches.size(), 1u);
  EXPECT_EQ(launcher.launches[0].arguments, std::vector<std::string>{lastSaved.path});
  options.setChecked(Option::openInExternalProgram,
                     !options.checked(Option::openInExternalProgram));
  clipboard.offerBitmap(Bitmap(4, 4, 32));
  tick();
  EXPECT_EQ(launcher.launches.size(), 1u);
}

}  // namespace
}  // namespace snaprill
