// The index file itself: what a search finds and in which order, and what becomes
// of an index that is missing, damaged or shared by two programs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "history/capture_index.h"
#include "support/temp_dir.h"

namespace snaprill {
namespace {

using testing::TempDir;

IndexEntry entry(const std::string& path, std::int64_t taken, const std::string& application = {},
                 const std::string& title = {}) {
  IndexEntry e;
  e.path = path;
  e.taken = taken;
  e.type = "png";
  e.origin = "clipboard";
  e.application = application;
  e.title = title;
  return e;
}

std::vector<std::string> paths(const std::vector<FoundCapture>& found) {
  std::vector<std::string> result;
  for (const FoundCapture& f : found) result.push_back(f.path);
  return result;
}

class CaptureIndexTest : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string file_ = dir_.path() + "history.sqlite";
};

// Faults: a word found in one field only (title, application, file name, text),
// results in insertion order instead of newest first, a time range or application
// filter ignored, the beginning of a word not finding it.
TEST_F(CaptureIndexTest, SearchesEveryFieldNewestFirstWithinTimeAndApplication) {
  auto index = CaptureIndex::open(file_, true);
  const std::int64_t a = index->record(entry("/p/snp1.png", 1000, "firefox", "Invoice 4711"));
  index->record(entry("/p/snp2.png", 3000, "xterm", "bash"));
  const std::int64_t third = index->record(entry("/p/snp3.png", 2000, "Gimp", "untitled"));
  index->setText(a, "Payment overdue", TextState::Read);
  index->setText(third, "Segmentation fault in libfoo", TextState::Read);

  struct Case {
    const char* words;
    std::optional<TimeRange> time;
    const char* application;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"", std::nullopt, "", {"/p/snp2.png", "/p/snp3.png", "/p/snp1.png"}},
      {"overdue", std::nullopt, "", {"/p/snp1.png"}},
      {"invoice", std::nullopt, "", {"/p/snp1.png"}},  // window title
      {"xterm", std::nullopt, "", {"/p/snp2.png"}},    // application
      {"snp3", std::nullopt, "", {"/p/snp3.png"}},     // file name
      {"segment", std::nullopt, "", {"/p/snp3.png"}},  // a word's beginning
      {"fault libfoo", std::nullopt, "", {"/p/snp3.png"}},
      {"fault overdue", std::nullopt, "", {}},           // every word must match
      {"", TimeRange{1500, 3000}, "", {"/p/snp3.png"}},  // until is left out
      {"", std::nullopt, "gimp", {"/p/snp3.png"}},       // any letter case
      {"", std::nullopt, "fox", {"/p/snp1.png"}},        // part of the name
  };
  for (const Case& c : cases) {
    SearchQuery query;
    query.words = parseSearch(c.words, 0).words;
    query.time = c.time;
    query.application = c.application;
    EXPECT_EQ(paths(index->search(query, 50)), c.expected) << c.words << " " << c.application;
  }
}

// Fault: a typed quote, operator or column filter reaches the full-text parser
// and fails the search (or finds something else) instead of being a word.
TEST_F(CaptureIndexTest, TypedOperatorsAreWords) {
  auto index = CaptureIndex::open(file_, true);
  const std::int64_t id = index->record(entry("/p/a.png", 1));
  index->setText(id, "say \"hello\" AND NEAR title: x-y", TextState::Read);
  for (const char* words : {"\"hello", "AND", "NEAR(", "title:", "x-y", "hel*lo", "(", "NOT"}) {
    SearchQuery query;
    query.words = parseSearch(words, 0).words;
    EXPECT_NO_THROW(index->search(query, 10)) << words;
  }
  SearchQuery query;
  query.words = {"\"hello\""};
  EXPECT_EQ(index->search(query, 10).size(), 1u);
}

// Faults: the excerpt does not mark the matching word, or the excerpt's query is
// not limited to the row (a wrong capture's text shown).
TEST_F(CaptureIndexTest, ExcerptMarksTheMatchingWords) {
  auto index = CaptureIndex::open(file_, true);
  const std::int64_t a = index->record(entry("/p/a.png", 1));
  const std::int64_t b = index->record(entry("/p/b.png", 2));
  index->setText(a, "the disk is full", TextState::Read);
  index->setText(b, "a full moon tonight", TextState::Read);
  SearchQuery query;
  query.words = {"full"};
  const auto found = index->search(query, 10);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].excerpt,
            std::string("a ") + kMatchStart + "full" + kMatchEnd + " moon tonight");
  EXPECT_EQ(found[1].excerpt, std::string("the disk is ") + kMatchStart + "full" + kMatchEnd);
}

// Faults: a number used again (its file deleted, then written anew) keeps the old
// picture's words or shows twice; a removed capture still found by its words.
TEST_F(CaptureIndexTest, RecordingAPathAgainReplacesItAndRemovingForgetsItsWords) {
  auto index = CaptureIndex::open(file_, true);
  const std::int64_t id = index->record(entry("/p/snp1.png", 1, "firefox"));
  index->setText(id, "old words", TextState::Read);
  index->record(entry("/p/snp1.png", 2, "xterm"));
  SearchQuery query;
  query.words = {"old"};
  EXPECT_TRUE(index->search(query, 10).empty());
  EXPECT_EQ(index->search(SearchQuery{}, 10).size(), 1u);
  EXPECT_EQ(index->pendingCount(), 1);
  index->setText(index->nextPending()->id, "new words", TextState::Read);
  const std::optional<StoredCapture> kept = index->find("/p/snp1.png");
  index->remove("/p/snp1.png");
  query.words = {"xterm"};
  EXPECT_TRUE(index->search(query, 10).empty());
  EXPECT_FALSE(index->contains("/p/snp1.png"));
  // Undo of a delete: back with its window and words, not queued to be read again.
  ASSERT_TRUE(kept);
  index->restore(*kept);
  query.words = {"new", "xterm"};
  EXPECT_EQ(index->search(query, 10).size(), 1u);
  EXPECT_EQ(index->pendingCount(), 0);
}

// Faults: the pending queue hands out a picture twice or skips one; a picture
// never to be read is queued.
TEST_F(CaptureIndexTest, PendingQueueInOrder) {
  auto index = CaptureIndex::open(file_, true);
  const std::int64_t a = index->record(entry("/p/a.png", 1));
  IndexEntry never = entry("/p/b.png", 2);
  never.textState = TextState::NeverRead;
  index->record(never);
  const std::int64_t c = index->record(entry("/p/c.png", 3));
  EXPECT_EQ(index->nextPending()->id, a);
  EXPECT_EQ(index->nextPending(a)->id, c);
  EXPECT_FALSE(index->nextPending(c));
  index->setText(a, "", TextState::Read);
  EXPECT_EQ(index->pendingCount(), 1);
}

// Faults: the index readable by other users; a damaged file makes the history
// unusable for good (or crashes) instead of being put aside for a new one.
TEST_F(CaptureIndexTest, MadePrivateAndDamagedFileReplaced) {
  {
    auto index = CaptureIndex::open(file_, true);
    EXPECT_TRUE(index->made());
    index->record(entry("/p/a.png", 1));
  }
  struct stat st {};
  ASSERT_EQ(::stat(file_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_FALSE(CaptureIndex::open(file_, true)->made());

  for (const char* damage : {"garbage that is no database at all", ""}) {
    {
      std::fstream f(file_, std::ios::in | std::ios::out | std::ios::binary);
      if (*damage) {
        f << damage;  // over the header
      } else {
        // Every page after the first (the header and the list of tables) of the
        // tables themselves.
        const auto size = std::filesystem::file_size(file_);
        f.seekp(4096);
        for (std::uintmax_t i = 4096; i < size; ++i) f.put(static_cast<char>(i * 7));
      }
    }
    auto index = CaptureIndex::open(file_, true);
    EXPECT_TRUE(index->made()) << damage;
    EXPECT_TRUE(index->search(SearchQuery{}, 10).empty());
    EXPECT_EQ(::access((file_ + ".damaged").c_str(), F_OK), 0);
    index->record(entry("/p/a.png", 1));
  }
}

// Fault: two programs writing one index at once lose records or corrupt it (SQLite
// busy errors not waited out).
TEST_F(CaptureIndexTest, TwoWritersAtOnceLoseNothing) {
  CaptureIndex::open(file_, true);
  const auto write = [this](const char* prefix) {
    auto index = CaptureIndex::open(file_, true);
    for (int i = 0; i < 200; ++i) {
      index->begin();
      index->record(entry(std::string("/p/") + prefix + std::to_string(i) + ".png", i));
      index->commit();
    }
  };
  std::thread first(write, "a");
  std::thread second(write, "b");
  first.join();
  second.join();
  auto index = CaptureIndex::open(file_, true);
  EXPECT_FALSE(index->made());
  EXPECT_EQ(index->allPaths().size(), 400u);
}

// Fault: a reader (snaprill --find) changes or makes the index.
TEST_F(CaptureIndexTest, ReadOnlyOpenMakesNothing) {
  EXPECT_THROW(CaptureIndex::open(file_, false), IndexError);
  EXPECT_NE(::access(file_.c_str(), F_OK), 0);
}

}  // namespace
}  // namespace snaprill
