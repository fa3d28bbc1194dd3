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

TEST(AtomicFile, TemporaryOfAKilledWriterIsRemovedOneAtWorkIsKept) {
  testing::TempDir temp;
  const std::string dir = temp.path();
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    AtomicFile file(dir + "snp1.png");
    file.write("half a picture", 14);
    if (::write(ready[1], "!", 1) != 1) ::_exit(1);
    ::pause();
    ::_exit(0);
  }
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ::close(ready[0]);
  ::close(ready[1]);
  static constexpr std::string_view kOurs[] = {".png"};
  // While its writer lives, the temporary is not a leftover.
  EXPECT_EQ(removeLeftoverTemporaries(dir, kOurs), 0);
  ASSERT_EQ(namesIn(dir).size(), 1u);
  EXPECT_TRUE(namesIn(dir)[0].starts_with(".snp1.png."));

  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
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

}  // namespace
}  // namespace snaprill
