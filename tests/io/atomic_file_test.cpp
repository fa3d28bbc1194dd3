// A writer killed in the middle of a file leaves its hidden temporary behind; the
// next start finds it unlocked and removes it, while a writer at work keeps its own.
#include "io/atomic_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace snaprill {
namespace {

std::vector<std::string> namesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  return names;
}

// A writer of path in a child process, at work (its temporary written) until killed.
pid_t writerAtWork(const std::string& path) {
  int ready[2];
  if (::pipe(ready) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(ready[0]);
    try {
      AtomicFile file(path);
      file.write("half a picture", 14);
      if (::write(ready[1], "!", 1) != 1) ::_exit(1);
      ::pause();
    } catch (...) {
    }
    ::_exit(0);
  }
  // Only the child's end left open: a child that fails ends the read.
  ::close(ready[1]);
  char byte = 0;
  const bool started = child > 0 && ::read(ready[0], &byte, 1) == 1;
  ::close(ready[0]);
  if (!started && child > 0) ::waitpid(child, nullptr, 0);
  return started ? child : -1;
}

void killWriter(pid_t writer) {
  ::kill(writer, SIGKILL);
  ::waitpid(writer, nullptr, 0);
}

TEST(AtomicFile, TemporaryOfAKilledWriterIsRemovedOneAtWorkIsKept) {
  testing::TempDir temp;
  const std::string dir = temp.path();
  const pid_t child = writerAtWork(dir + "snp1.png");
  ASSERT_GT(child, 0);
  static constexpr std::string_view kOurs[] = {".png"};
  // While its writer lives, the temporary is not a leftover.
  EXPECT_EQ(removeLeftoverTemporaries(dir, kOurs), 0);
  ASSERT_EQ(namesIn(dir).size(), 1u);
  EXPECT_TRUE(namesIn(dir)[0].starts_with(".snp1.png."));

  killWriter(child);
  ASSERT_EQ(namesIn(dir).size(), 1u);
  EXPECT_EQ(removeLeftoverTemporaries(dir, kOurs), 1);
  EXPECT_TRUE(namesIn(dir).empty());

  // A writer that starts afterwards is not disturbed, and leaves only its file.
  AtomicFile after(dir + "snp2.png");
  EXPECT_EQ(removeLeftoverTemporaries(dir, kOurs), 0);
  after.write("x", 1);
  after.commit();
  EXPECT_EQ(namesIn(dir), std::vector<std::string>{"snp2.png"});
  EXPECT_EQ(removeLeftoverTemporaries(dir + "no-such-folder", kOurs), 0);
}

bool wholeUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if ((lead & 0xC0u) == 0x80u || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0u) != 0x80u) return false;
    }
    i += length;
  }
  return true;
}

// Names of 248 to 255 bytes once failed: the temporary added 8 bytes to them.
TEST(AtomicFile, NamesAsLongAsTheFileSystemTakesAreWrittenAndTheirLeftoversFound) {
  testing::TempDir temp;
  const std::string dir = temp.path();
  const auto longest = static_cast<std::size_t>(::pathconf(dir.c_str(), _PC_NAME_MAX));
  ASSERT_GE(longest, 64u);
  // A long prefix of two-byte letters, then a number: each byte count from 248 up.
  const auto nameOf = [](std::size_t bytes) {
    std::string name;
    while (name.size() + 2 + 8 <= bytes) name += "\xC3\xA4";  // ä
    while (name.size() + 4 < bytes) name += '7';
    return name + ".png";
  };
  for (std::size_t bytes = longest - 7; bytes <= longest; ++bytes) {
    const std::string name = nameOf(bytes);
    ASSERT_EQ(name.size(), bytes);
    EXPECT_NO_THROW(writeFileAtomically(dir + name, "x", 1)) << bytes << " bytes";
    EXPECT_TRUE(std::filesystem::exists(dir + name)) << bytes << " bytes";
  }
  // A writer killed on the longest name leaves a temporary that is known as one:
  // cut in the middle, on a whole letter, with its extension.
  const std::string longestName = nameOf(longest);
  const pid_t child = writerAtWork(dir + longestName);
  ASSERT_GT(child, 0);
  killWriter(child);
  std::string leftover;
  for (const std::string& name : namesIn(dir)) {
    if (name.front() == '.') leftover = name;
  }
  ASSERT_FALSE(leftover.empty());
  EXPECT_LE(leftover.size(), longest);
  EXPECT_TRUE(wholeUtf8(leftover)) << leftover;
  static constexpr std::string_view kOurs[] = {".png"};
  EXPECT_EQ(removeLeftoverTemporaries(dir, kOurs), 1);
  EXPECT_EQ(namesIn(dir).size(), 8u);
}

}  // namespace
}  // namespace snaprill
