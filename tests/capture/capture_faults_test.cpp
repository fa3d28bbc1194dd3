// The capture cycle when things go wrong as a user meets them: offers that make no
// picture or never arrive, text offered with a picture, an output folder that
// vanished or cannot be written, sizes that cannot be made, leftovers of a killed
// writer.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "base/byte_sink.h"
#include "formats/jpeg/jpeg.h"
#include "io/atomic_file.h"
#include "support/cycle_fixture.h"

namespace snaprill {
namespace {

using testing::CycleTest;

std::size_t filesIn(const std::string& dir) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

TEST_F(CycleTest, DamagedOfferStaysOnTheClipboardCostsNoNumberAndIsReportedOnce) {
  state.names.setCounter(4);
  clipboard.offerDamagedBitmap();
  tick();
  EXPECT_TRUE(clipboard.holdsAnything());
  EXPECT_EQ(clipboard.clears, 0);
  EXPECT_EQ(state.names.counter(), 4);
  EXPECT_EQ(filesIn(dir), 0u);
  EXPECT_EQ(cycle.counts().lost, 1);
  EXPECT_EQ(status.statusText(),
            "A capture was not saved: " + texts.get("Main", "LostDamaged") + ".");
  EXPECT_EQ(status.tray().record.tip(), "Snaprill - 4/99999 pictures");  // counter shown again
  EXPECT_TRUE(dialogs.errors.empty());
  // The same offer is not tried again.
  tick();
  EXPECT_EQ(cycle.counts().lost, 1);
  capture();
  EXPECT_TRUE(exists("snp5.jpg"));
  EXPECT_EQ(status.statusText(), "5/99999 pictures");
}

TEST_F(CycleTest, OffersGivenUpByTheirOwnerAreReportedWhileRunning) {
  clipboard.offerBitmap(testing::samplePicture());
  clipboard.loseOffer(LostReason::NotSent);
  EXPECT_EQ(status.statusText(),
            "A capture was not saved: " + texts.get("Main", "LostNotSent") + ".");
  clipboard.loseOffer(LostReason::OwnerQuit);
  EXPECT_EQ(status.statusText(),
            "A capture was not saved: " + texts.get("Main", "LostOwnerQuit") + ".");
  clipboard.loseOffer(LostReason::Replaced);
  EXPECT_EQ(status.statusText(),
            "A capture was not saved: another copy replaced the picture on "
            "the clipboard before it could be read.");
  EXPECT_EQ(cycle.counts().lost, 3);
  tick();
  EXPECT_EQ(filesIn(dir), 0u);
  EXPECT_EQ(state.names.counter(), 0);
  // Paused, the picture would not have been taken: nothing is lost.
  cycle.togglePause();
  clipboard.offerBitmap(testing::samplePicture());
  clipboard.loseOffer(LostReason::Refused);
  EXPECT_EQ(cycle.counts().lost, 3);
}

// Fault caught: a reason, from the reader that met it to the status line, told in
// no words or in another reason's.
TEST_F(CycleTest, EveryLostReasonIsToldInWordsOfItsOwn) {
  const LostReason reasons[] = {
      LostReason::NotSent,    LostReason::OwnerQuit,    LostReason::Refused,
      LostReason::TooLarge,   LostReason::Replaced,     LostReason::Damaged,
      LostReason::Unreadable, LostReason::NoNumberLeft, LostReason::NotWritten};
  std::set<std::string> told;
  for (const LostReason reason : reasons) {
    cycle.offerLost(reason);
    const std::string words = texts.get("Main", lostReasonKey(reason));
    EXPECT_FALSE(words.empty()) << lostReasonKey(reason);
    EXPECT_EQ(status.statusText(), "A capture was not saved: " + words + ".");
    told.insert(words);
  }
  EXPECT_EQ(told.size(), std::size(reasons));
  // A file not created says what a file not written says; its box says more.
  EXPECT_STREQ(lostReasonKey(LostReason::NotCreated), lostReasonKey(LostReason::NotWritten));
}

TEST_F(CycleTest, PictureStillArrivingIsTakenOnceItIsHere) {
  clipboard.offerBitmap(testing::samplePicture());
  clipboard.stillArriving = true;
  tick();
  EXPECT_EQ(clipboard.clears, 0);
  EXPECT_EQ(filesIn(dir), 0u);
  clipboard.stillArriving = false;
  tick();
  EXPECT_TRUE(exists("snp1.jpg"));
}

TEST_F(CycleTest, PictureOfferedWithTextIsTheUsersTextUnlessPicturesWithTextAreTaken) {
  clipboard.offerTextAndBitmap("A1\tB1", testing::samplePicture());
  tick();
  EXPECT_TRUE(clipboard.hasText());
  EXPECT_EQ(filesIn(dir), 0u);
  options.setChecked(Option::takeImageWithText, true);
  tick();
  EXPECT_TRUE(exists("snp1.jpg"));
  EXPECT_FALSE(clipboard.holdsAnything());
}

TEST_F(CycleTest, OutputFolderRemovedMeanwhileIsMadeAgainWithItsParents) {
  const std::string folder = dir + "shots/today/";
  options.setText(Option::outputDir, folder);
  capture();
  EXPECT_TRUE(std::filesystem::exists(folder + "snp1.jpg"));
  std::filesystem::remove_all(dir + "shots");
  capture();
  EXPECT_TRUE(std::filesystem::exists(folder + "snp2.jpg"));
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(CycleTest, FailuresWhileTheDiskFullBoxIsOpenAreCountedNotStacked) {
  options.setText(Option::outputDir, unusableFolder());
  // The box's event loop lets pictures arrive: six more captures fail meanwhile.
  int nested = 0;
  dialogs.whileErrorBoxOpen = [&] {
    for (; nested < 6; ++nested) capture();
  };
  capture();
  ASSERT_EQ(dialogs.errors.size(), 1u);
  // The folder cannot be made: the system's reason is told below the folder.
  EXPECT_EQ(dialogs.errors[0], texts.get("Error", "DiskFull") + "\nFolder: " + unusableFolder() +
                                   "\n" + std::strerror(ENOENT));
  EXPECT_EQ(status.statusText(), "Cannot create file: 6 more since the message");
  EXPECT_EQ(cycle.counts().failed, 7);
  EXPECT_EQ(state.names.counter(), 0);  // failed writes use up no number
  // The last picture is still on the clipboard, and not taken again by itself.
  EXPECT_TRUE(clipboard.holdsAnything());
  EXPECT_EQ(clipboard.clears, 0);
  tick();
  EXPECT_EQ(cycle.counts().failed, 7);
  // Once the box is closed, the next failure has a box of its own.
  capture();
  EXPECT_EQ(dialogs.errors.size(), 2u);
  // And with the folder writable again, the next capture takes the first number.
  options.setText(Option::outputDir, dir);
  capture();
  EXPECT_TRUE(exists("snp1.jpg"));
}

TEST_F(CycleTest, SizesThatCannotBeMadeAreRefusedOnceAndTheCaptureKept) {
  const Bitmap picture = testing::samplePicture(40, 30);
  options.setChecked(Option::autoResize, true);
  options.setValue(Option::resizeWidth, 100000);
  options.setValue(Option::resizeHeight, 100000);
  capture(picture);
  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_NE(dialogs.errors[0].find("100000 x 100000"), std::string::npos);
  // Saved as it came, unresized.
  MemorySink expected;
  writeJpeg(picture, options.value(Option::jpegQuality), expected);
  std::ifstream saved(dir + "snp1.jpg", std::ios::binary);
  EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(saved), {}), expected.bytes);
  capture(picture);
  EXPECT_TRUE(exists("snp2.jpg"));
  EXPECT_EQ(dialogs.errors.size(), 1u);
  // Another impossible size is told of again; so is a crop beyond the budget.
  options.setValue(Option::resizeWidth, 90000);
  capture(picture);
  EXPECT_EQ(dialogs.errors.size(), 2u);
  options.setChecked(Option::autoResize, false);
  options.setChecked(Option::crop, true);
  options.setValue(Option::cropWidth, 70000);
  options.setValue(Option::cropHeight, 70000);
  capture(picture);
  EXPECT_EQ(dialogs.errors.size(), 3u);
  EXPECT_TRUE(exists("snp4.jpg"));
}

TEST_F(CycleTest, StartRemovesTemporariesOfKilledWritersButNotOnesBeingWritten) {
  const std::string config = dir + "config/";
  std::filesystem::create_directory(config);
  platform.dirs.configDir = config;
  for (const std::string& name : {dir + ".snp7.png.a1B2c3", config + ".snaprill.ini.Zz9yX8",
                                  dir + ".notes.txt.abcdef", dir + ".snp8.png.short"}) {
    std::ofstream(name) << "left";
  }
  const AtomicFile beingWritten(dir + "snp9.jpg");
  cycle.start();
  EXPECT_FALSE(exists(".snp7.png.a1B2c3"));
  EXPECT_FALSE(std::filesystem::exists(config + ".snaprill.ini.Zz9yX8"));
  // Not ours, or not named as ours are.
  EXPECT_TRUE(exists(".notes.txt.abcdef"));
  EXPECT_TRUE(exists(".snp8.png.short"));
  // Another instance's write in progress stays.
  std::size_t temporaries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().filename().string().starts_with(".snp9.jpg.")) ++temporaries;
  }
  EXPECT_EQ(temporaries, 1u);
}

}  // namespace
}  // namespace snaprill
