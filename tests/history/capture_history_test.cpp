// The history as the programs use it: records from every origin, the text read in
// the background and kept across a restart, files that vanished, an index rebuilt
// from the folders.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "base/byte_sink.h"
#include "formats/bmp/bmp_file.h"
#include "history/capture_history.h"
#include "history/tesseract_reader.h"
#include "support/files.h"
#include "support/temp_dir.h"

namespace snaprill {
namespace {

using testing::TempDir;

// Reads every picture as its size.
class SizeReader : public TextReader {
 public:
  bool available() override { return available_; }
  std::optional<std::string> read(const GreyPicture& picture) override {
    ++reads;
    return "wide" + std::to_string(picture.width);
  }
  bool available_ = true;
  std::atomic<int> reads = 0;
};

void writePicture(const std::string& path, int width) {
  Bitmap picture(width, 4, 24);
  MemorySink sink;
  writeBmp(picture, sink);
  testing::writeBytes(path, sink.bytes);
}

class CaptureHistoryTest : public ::testing::Test {
 protected:
  std::unique_ptr<CaptureHistory> start(bool rebuild = true, SizeReader** reader = nullptr) {
    HistorySetup setup;
    setup.indexPath = file_;
    setup.folders = {dir_.path() + "out/"};
    auto sizeReader = std::make_unique<SizeReader>();
    if (reader) *reader = sizeReader.get();
    setup.reader = std::move(sizeReader);
    setup.rebuildWhenMissing = rebuild;
    setup.neverRead = {"KeePassXC"};
    auto history = std::make_unique<CaptureHistory>(std::move(setup));
    history->waitUntilIdle();
    return history;
  }
  std::string picture(const std::string& name, int width = 8) {
    const std::string path = dir_.path() + "out/" + name;
    writePicture(path, width);
    return path;
  }
  std::vector<FoundCapture> all() {
    return CaptureIndex::open(file_, false)->search(SearchQuery{}, 100);
  }

  TempDir dir_;
  std::string file_ = dir_.path() + "history.sqlite";

  void SetUp() override { std::filesystem::create_directory(dir_.path() + "out"); }
};

// Faults: an origin stored under another name (or none), the focused window lost,
// a capture of a never-read application read for text, a file that is gone
// recorded anyway.
TEST_F(CaptureHistoryTest, RecordsEveryOriginWithItsWindow) {
  auto history = start();
  const std::vector<std::pair<CaptureOrigin, const char*>> origins = {
      {CaptureOrigin::Clipboard, "clipboard"},  {CaptureOrigin::ScreenKey, "screen-key"},
      {CaptureOrigin::WindowKey, "window-key"}, {CaptureOrigin::Automation, "automation"},
      {CaptureOrigin::Command, "command"},      {CaptureOrigin::Batch, "batch"},
  };
  int n = 0;
  for (const auto& [origin, name] : origins) {
    CaptureSource source;
    source.origin = origin;
    source.when = std::chrono::system_clock::from_time_t(1000 + n);
    source.window = {"app" + std::to_string(n), "title " + std::string(name)};
    ++n;
    history->record(picture("snp" + std::to_string(n) + ".bmp", n), source);
  }
  history->record(picture("secret.bmp"), CaptureSource{.window = {"keepassxc", "Vault"}});
  history->record(dir_.path() + "out/gone.bmp", CaptureSource{});
  history->waitUntilIdle();
  auto index = CaptureIndex::open(file_, false);
  const auto found = index->search(SearchQuery{}, 100);
  ASSERT_EQ(found.size(), origins.size() + 1);
  for (std::size_t i = 0; i < origins.size(); ++i) {
    const FoundCapture& f = found[origins.size() - i];  // newest first; the secret is newest
    EXPECT_EQ(f.origin, origins[i].second);
    EXPECT_EQ(f.title, std::string("title ") + origins[i].second);
    EXPECT_EQ(f.taken, 1000 + static_cast<std::int64_t>(i));
    EXPECT_EQ(index->textOf(f.path), "wide" + std::to_string(i + 1));
  }
  EXPECT_EQ(index->textOf(dir_.path() + "out/secret.bmp"), "");
  EXPECT_EQ(index->pendingCount(), 0);
}

// Faults: text still to be read is lost when the program quits (or the data is
// missing), or read twice after a restart.
TEST_F(CaptureHistoryTest, UnreadTextWaitsForTheNextStart) {
  SizeReader* reader = nullptr;
  auto history = start(true, &reader);
  reader->available_ = false;  // no language data yet
  history->record(picture("a.bmp", 5), CaptureSource{});
  history->record(picture("b.bmp", 6), CaptureSource{});
  history->waitUntilIdle();
  EXPECT_EQ(history->textEngine(), CaptureHistory::TextEngine::Missing);
  EXPECT_EQ(all().size(), 2u);
  history.reset();
  EXPECT_EQ(CaptureIndex::open(file_, false)->pendingCount(), 2);

  history = start(true, &reader);
  EXPECT_EQ(reader->reads, 2);
  EXPECT_EQ(CaptureIndex::open(file_, false)->textOf(dir_.path() + "out/b.bmp"), "wide6");
}

// Faults: a file deleted or renamed outside stays in the results; a lost index
// starts empty although the pictures are all still there (or loses the ones it
// cannot read); a damaged file too.
TEST_F(CaptureHistoryTest, FollowsTheFilesAndRebuildsALostIndex) {
  {
    auto history = start();
    for (const char* name : {"snp1.bmp", "snp2.bmp", "snp3.bmp"})
      history->record(picture(name), CaptureSource{});
    history->waitUntilIdle();
  }
  std::filesystem::remove(dir_.path() + "out/snp2.bmp");
  start();
  EXPECT_EQ(all().size(), 2u);

  testing::writeBytes(dir_.path() + "out/damaged.png", {0x89, 'P', 'N', 'G'});
  testing::writeBytes(dir_.path() + "out/notes.txt", {'x'});
  for (const bool damage : {false, true}) {
    if (damage) {
      testing::writeBytes(file_, std::vector<std::uint8_t>(8192, 0x5a));
    } else {
      std::filesystem::remove(file_);
    }
    start();
    auto index = CaptureIndex::open(file_, false);
    EXPECT_EQ(index->allPaths().size(), 3u) << damage;  // the damaged picture too
    EXPECT_EQ(index->textOf(dir_.path() + "out/snp3.bmp"), "wide8") << damage;
  }
  // A history started afresh on purpose (Forget all) stays empty.
  std::filesystem::remove(file_);
  start(false);
  EXPECT_TRUE(all().empty());
}

// Fault: a picture larger than the reader takes is handed to it whole (memory and
// minutes of processor time) instead of shrunk or skipped.
TEST(TextReaderTest, LargePicturesShrunkOrSkipped) {
  struct Case {
    int width, height, shrink;
  };
  for (const Case& c : {Case{1920, 1080, 1}, Case{3840, 2160, 1}, Case{7680, 4320, 2},
                        Case{15360, 8640, 4}, Case{20000, 20000, 0}, Case{0, 10, 0}}) {
    EXPECT_EQ(readingShrink(c.width, c.height), c.shrink) << c.width << "x" << c.height;
  }
  Bitmap picture(4, 2, 32);
  for (int x = 0; x < 4; ++x) picture.row(0)[x * 4 + 2] = 255;  // red top row
  const GreyPicture half = greyPicture(picture, 2);
  ASSERT_EQ(half.width, 2);
  ASSERT_EQ(half.height, 1);
  EXPECT_EQ(half.pixels[0], (255 * 77 >> 8) / 2);
}

// Faults: a light ground inverted (dark text would turn light and be read twice), or
// a terminal's dark ground left as it is; tiles at the edges left out.
TEST(TextReaderTest, DarkGroundsTurnedLightTileByTile) {
  GreyPicture picture{3, 2, {30, 30, 250, 30, 30, 250}};  // a dark left, a light right tile
  darkTextOnLight(picture, 2);
  EXPECT_EQ(picture.pixels, (std::vector<std::uint8_t>{225, 225, 250, 225, 225, 250}));
}

}  // namespace
}  // namespace snaprill

namespace snaprill {
namespace {

// Faults: the interface's language not read although its data is installed, a
// language asked for whose data is missing (Tesseract then reads nothing at all),
// English left out.
TEST(TextReaderTest, LanguagesOfTheInterfaceAndEnglishWhereInstalled) {
  testing::TempDir data;
  for (const char* name : {"deu.traineddata", "eng.traineddata", "chi_sim.traineddata"})
    testing::writeBytes(data.path() + name, {0});
  struct Case {
    const char* languageFile;
    const char* expected;
  };
  for (const Case& c : {Case{"/usr/share/snaprill/german.ini", "deu+eng"},
                        Case{"simplified_chinese.ini", "chi_sim+eng"}, Case{"/x/french.ini", "eng"},
                        Case{"", "eng"}}) {
    EXPECT_EQ(readingLanguages(c.languageFile, data.path()), c.expected) << c.languageFile;
  }
  testing::TempDir empty;
  EXPECT_EQ(readingLanguages("german.ini", empty.path()), "");
}

}  // namespace
}  // namespace snaprill
