#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

#include "batch/batch.h"
#include "formats/bmp/bmp_file.h"
#include "formats/jpeg/jpeg.h"
#include "formats/png/png_image.h"
#include "io/atomic_file.h"
#include "support/pictures.h"
#include "support/temp_dir.h"

namespace snaprill {
namespace {

class BatchTest : public ::testing::Test {
 protected:
  BatchTest() {
    ::setenv("SNAPRILL_HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    MemorySink jpeg;
    writeJpeg(testing::samplePicture(20, 10), 90, jpeg);
    picture = home + "in.jpg";
    writeFileAtomically(picture, jpeg.bytes.data(), jpeg.bytes.size());
  }

  int run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    return runBatch(args, out, err);
  }

  testing::TempDir temp;
  const std::string home = temp.path();
  std::string picture;
  std::ostringstream out, err;
};

TEST_F(BatchTest, WrongUsageExitsWithTwo) {
  EXPECT_EQ(run({}), 2);
  EXPECT_NE(err.str().find("usage:"), std::string::npos);
  EXPECT_EQ(run({"--settings"}), 2);
  EXPECT_EQ(err.str().rfind("snaprill-batch: option \"--settings\" needs a value\nusage:", 0), 0u)
      << err.str();
  EXPECT_EQ(run({"--bogus", picture}), 2);
  EXPECT_EQ(err.str().rfind("snaprill-batch: unknown option \"--bogus\"\nusage:", 0), 0u)
      << err.str();
}

TEST_F(BatchTest, EachPictureBecomesTheNextNumberedFile) {
  const std::string outDir = home + "shots";
  std::filesystem::create_directory(outDir);
  EXPECT_EQ(run({"--output-dir", outDir, "--", picture, picture}), 0) << err.str();
  EXPECT_EQ(out.str(), outDir + "/snp1.jpg\n" + outDir + "/snp2.jpg\n");
  const std::string written = readWholeFile(outDir + "/snp2.jpg", 1 << 20);
  const Bitmap back =
      readJpeg(reinterpret_cast<const std::uint8_t*>(written.data()), written.size());
  EXPECT_EQ(back.width(), 20);
  // The main settings file is never written.
  EXPECT_FALSE(std::filesystem::exists(home + "snaprill.ini"));
}

TEST_F(BatchTest, ARememberedNumberIsCountedOnFromAndLeftAsItWas) {
  const std::string settings = home + "remember.ini";
  std::ofstream(settings) << "[Snaprill]\nRememberLastPic=1\nLastPic=10\n";
  EXPECT_EQ(run({"--settings", settings, "--output-dir", home, picture}), 0) << err.str();
  EXPECT_EQ(out.str(), home + "snp11.jpg\n");
  // The next run counts from the stored number again, past the file already there.
  EXPECT_EQ(run({"--settings", settings, "--output-dir", home, picture}), 0) << err.str();
  EXPECT_EQ(out.str(), home + "snp12.jpg\n");
}

TEST_F(BatchTest, UnreadablePictureIsNamedAndTheRestGoesOn) {
  std::ofstream(home + "broken.jpg") << "\xFF\xD8\xFF garbage";
  EXPECT_EQ(run({home + "broken.jpg", home + "missing.png", picture}), 1);
  EXPECT_NE(err.str().find("broken.jpg"), std::string::npos);
  EXPECT_NE(err.str().find("missing.png"), std::string::npos);
  EXPECT_EQ(out.str(), home + "snp1.jpg\n");
}

// A file where the folder should be is not a full disk: the system's reason, not the
// window's disk-full message.
TEST_F(BatchTest, UnwritableOutputSaysTheSystemsReason) {
  std::ofstream(home + "blocker") << "x";
  EXPECT_EQ(run({"--output-dir", home + "blocker", picture}), 1);
  EXPECT_EQ(err.str(), "snaprill-batch: capture of \"" + picture +
                           "\" could not be written: Cannot create file \"" + home +
                           "blocker/snp1.jpg\": Not a directory\n");
  EXPECT_EQ(out.str(), "");
}

// An output folder the settings give that is not there (a disk not mounted): the
// pictures go to the default folder, and stderr says so once.
TEST_F(BatchTest, AMissingOutputFolderOfTheSettingsIsToldAndTheDefaultUsed) {
  const std::string shots = home + "unmounted/shots/";
  std::ofstream(home + "away.ini") << "[General]\nOutputDir=" << shots << "\n";
  EXPECT_EQ(run({"--settings", home + "away.ini", picture, picture}), 0);
  EXPECT_EQ(out.str(), home + "snp1.jpg\n" + home + "snp2.jpg\n");
  EXPECT_EQ(err.str(), "snaprill-batch: The output folder " + shots +
                           " is not there: captures go to " + home + " until it is.\n");
  EXPECT_FALSE(std::filesystem::exists(home + "unmounted"));
  // One named on the command line is made.
  EXPECT_EQ(run({"--settings", home + "away.ini", "--output-dir", shots, picture}), 0);
  EXPECT_EQ(out.str(), shots + "snp1.jpg\n");
}

TEST_F(BatchTest, EncoderErrorIsAFailureThatSaysWhy) {
  // One pixel too wide for PCX, two for Targa: the writers refuse them without a
  // message box, and the reason reaches stderr.
  MemorySink png;
  writePng(Bitmap(65535, 1, 24), 9, kPngFilterNone, png);
  const std::string wide = home + "wide.png";
  writeFileAtomically(wide, png.bytes.data(), png.bytes.size());
  std::ofstream(home + "pcx.ini") << "[Snaprill]\nImageType=8\n";
  EXPECT_EQ(run({"--settings", home + "pcx.ini", wide, picture}), 1);
  EXPECT_NE(err.str().find("capture of \"" + wide +
                           "\" could not be written: The bitmap is too large for a PCX file"),
            std::string::npos)
      << err.str();
  // The picture not written used up no number.
  EXPECT_EQ(out.str(), home + "snp1.pcx\n");

  // 65537 x 1 once became a Targa file whose header said 1 x 1.
  MemorySink bmp;
  writeBmp(Bitmap(65537, 1, 24), bmp);
  const std::string wider = home + "wider.bmp";
  writeFileAtomically(wider, bmp.bytes.data(), bmp.bytes.size());
  std::ofstream(home + "tga.ini") << "[Snaprill]\nImageType=7\n";
  EXPECT_EQ(run({"--settings", home + "tga.ini", wider}), 1);
  EXPECT_NE(err.str().find("could not be written: The bitmap is too large for a Targa file"),
            std::string::npos)
      << err.str();
  EXPECT_EQ(out.str(), "");
}

TEST_F(BatchTest, PauseAfterStartingIsTheTrayProgramsAndEveryPictureIsSaved) {
  // "Pause Snaprill after starting" once left the batch writing nothing, with exit 0.
  const std::string outDir = home + "empty";
  std::filesystem::create_directory(outDir);
  std::ofstream(home + "paused.ini") << "[Snaprill]\nStartPaused=1\n";
  EXPECT_EQ(run({"--settings", home + "paused.ini", "--output-dir", outDir, picture, picture}), 0)
      << err.str();
  EXPECT_EQ(out.str(), outDir + "/snp1.jpg\n" + outDir + "/snp2.jpg\n");
  EXPECT_EQ(err.str(), "");
}

TEST_F(BatchTest, APictureDroppedWithNoNumberLeftIsAFailure) {
  std::ofstream(home + "last.ini") << "[Snaprill]\nRememberLastPic=1\nLastPic=99998\n";
  EXPECT_EQ(run({"--settings", home + "last.ini", picture, picture}), 1);
  EXPECT_EQ(out.str(), home + "snp99999.jpg\n");
  EXPECT_NE(err.str().find("capture of \"" + picture + "\" dropped: no number is left"),
            std::string::npos)
      << err.str();
}

TEST_F(BatchTest, AnExternalProgramThatCannotBeStartedIsToldAndThePictureCounts) {
  std::ofstream(home + "launch.ini")
      << "[Automation]\nExtProg=1\nExtProgCmd=" << home << "no-such-editor\n";
  EXPECT_EQ(run({"--settings", home + "launch.ini", picture, picture}), 0);
  EXPECT_EQ(out.str(), home + "snp1.jpg\n" + home + "snp2.jpg\n");
  const std::string notice = "snaprill-batch: The capture was saved, but the external program \"" +
                             home + "no-such-editor\" could not be started.\n";
  EXPECT_EQ(err.str(), notice + notice);
  // Not started on purpose: nothing to tell.
  EXPECT_EQ(run({"--settings", home + "launch.ini", "--no-launch", picture}), 0);
  EXPECT_EQ(err.str(), "");
}

TEST_F(BatchTest, ASettingsFileThatCannotBeReadIsAUsageError) {
  // Defaults would otherwise be used without a word, and a typo would change the
  // output type.
  std::filesystem::create_directory(home + "folder.ini");
  for (const auto& [file, why] : {std::pair{home + "missing.ini", "No such file or directory"},
                                  std::pair{home + "folder.ini", "is not a regular file"}}) {
    EXPECT_EQ(run({"--settings", file, picture}), 2);
    EXPECT_NE(err.str().find("--settings"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find(why), std::string::npos) << err.str();
    EXPECT_EQ(out.str(), "");
  }
}

TEST_F(BatchTest, PicturesThatAreNotRegularFilesAreRefusedAtOnce) {
  // A FIFO with no writer once made the batch wait for ever; a directory said
  // "too large".
  const std::string fifo = home + "pipe.bmp";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_directory(home + "dir.png");
  auto running = std::async(std::launch::async, [&] {
    return run({fifo, home + "dir.png", picture});
  });
  if (running.wait_for(std::chrono::seconds(20)) == std::future_status::timeout) {
    // Let a reader stuck in open() go, so that the test ends.
    const int writer = ::open(fifo.c_str(), O_WRONLY);
    ::close(writer);
    FAIL() << "reading a FIFO waited for a writer";
  }
  EXPECT_EQ(running.get(), 1);
  EXPECT_NE(err.str().find("\"" + fifo + "\" is not a regular file"), std::string::npos)
      << err.str();
  EXPECT_NE(err.str().find("dir.png\" is not a regular file"), std::string::npos) << err.str();
  EXPECT_EQ(out.str(), home + "snp1.jpg\n");
}

TEST_F(BatchTest, NullSeparatedPathsForNamesWithNewlines) {
  const std::string outDir = home + "line\nbreak";
  std::filesystem::create_directory(outDir);
  EXPECT_EQ(run({"--null", "--output-dir", outDir, picture, picture}), 0) << err.str();
  EXPECT_EQ(out.str(), outDir + "/snp1.jpg" + std::string(1, '\0') + outDir + "/snp2.jpg" +
                           std::string(1, '\0'));
  EXPECT_EQ(run({"-0", "--output-dir", outDir, picture}), 0) << err.str();
  EXPECT_EQ(out.str(), outDir + "/snp3.jpg" + std::string(1, '\0'));
}

// The external program is the last step of a capture in the program, so scripts get
// it too, unless they ask for nothing to be started.
TEST_F(BatchTest, TheExternalProgramStartsOnEachFileUnlessNoLaunch) {
  const std::string marker = home + "launched";
  const std::string program = home + "record.sh";
  {
    std::ofstream script(program);
    script << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << marker << "'\n";
  }
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  const std::string settings = home + "launch.snp";
  {
    std::ofstream ini(settings);
    ini << "[Automation]\nExtProg=1\nExtProgCmd=" << program << "\nExtProgParam=%filename\n";
  }
  ASSERT_EQ(run({"--settings", settings, "--no-launch", picture}), 0) << err.str();
  ASSERT_EQ(run({"--settings", settings, picture}), 0) << err.str();
  const std::string written = out.str().substr(0, out.str().size() - 1);
  // Detached: wait a little for the script to have run.
  for (int i = 0; i < 200 && !std::filesystem::exists(marker); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(std::filesystem::exists(marker));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(readWholeFile(marker, 4096), written + "\n");  // once, and not for --no-launch
}

TEST_F(BatchTest, OnceTheLastNumberIsUsedNotEvenAnimationFramesAreTaken) {
  std::ofstream(home + "s.snp") << "[Snaprill]\nImageType=2\nRememberLastPic=1\nLastPic=99999\n"
                                   "[GIF]\nSaveAnimation=1\nImageCount=3\n";
  run({"--settings", home + "s.snp", "--", picture, picture, picture});
  std::size_t dropped = 0;
  for (std::size_t at = 0;
       (at = err.str().find("dropped: no number is left", at)) != std::string::npos; ++at)
    ++dropped;
  EXPECT_EQ(dropped, 2u) << err.str();
  EXPECT_EQ(out.str(), "");
}

// Frames left over at the end are written in the type chosen: a 1-frame AVI after
// the 3-frame one, not a GIF.
TEST_F(BatchTest, FramesLeftOverAtTheEndAreAnAviOfFewerFrames) {
  std::ofstream(home + "s.snp")
      << "[Snaprill]\nImageType=6\n[GIF]\nSaveAnimation=1\nImageCount=3\n";
  EXPECT_EQ(run({"--settings", home + "s.snp", "--output-dir", home, "--", picture, picture,
                 picture, picture}),
            0)
      << err.str();
  EXPECT_EQ(out.str(), home + "snp1.avi\n" + home + "snp2.avi\n");
  for (const auto& [name, frames] : {std::pair{"snp1.avi", 3u}, std::pair{"snp2.avi", 1u}}) {
    const std::string b = readWholeFile(home + name, 1 << 20);
    const std::size_t length = b.find("strh") + 8 + 32;
    ASSERT_LT(length + 4, b.size()) << name;
    EXPECT_EQ(static_cast<unsigned char>(b[length]), frames) << name;
  }
}

}  // namespace
}  // namespace snaprill
