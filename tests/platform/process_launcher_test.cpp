// The real launcher, with a small recording program standing in for the editor.
#include "platform/process_launcher.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace snaprill {
namespace {

namespace fs = std::filesystem;

class Launcher : public ::testing::Test {
 protected:
  Launcher() {
    dir = fs::temp_directory_path() / ("snaprill-launch-" + std::to_string(::getpid()));
    fs::create_directories(dir / "bin");
    fs::create_directories(dir / "out dir");
    // Writes its working directory and arguments, NUL-separated, then renames the
    // record into place so the test never reads half of it.
    std::ofstream(dir / "bin" / "recorder") << "#!/bin/sh\n"
                                               "out=\"$RECORD_TO\"\n"
                                               "{ printf '%s\\0' \"$PWD\"; for a in \"$@\"; do "
                                               "printf '%s\\0' \"$a\"; done; } > \"$out.tmp\"\n"
                                               "mv \"$out.tmp\" \"$out\"\n";
    fs::permissions(dir / "bin" / "recorder", fs::perms::owner_all);
    record = dir / "record";
    ::setenv("RECORD_TO", record.c_str(), 1);
  }
  ~Launcher() override { fs::remove_all(dir); }

  // The recorder's working directory and arguments; empty when it never ran.
  std::vector<std::string> waitForRecord() {
    for (int i = 0; i < 200 && !fs::exists(record); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    std::ifstream in(record, std::ios::binary);
    std::vector<std::string> fields;
    std::string field;
    while (std::getline(in, field, '\0')) fields.push_back(field);
    fs::remove(record);
    return fields;
  }

  fs::path dir;
  fs::path record;
  ProcessLauncher launcher;
};

TEST_F(Launcher, ProgramGetsItsArgumentsByteForByteInTheOutputFolder) {
  const std::string out = (dir / "out dir").string() + "/";
  for (const std::string name : {"snp1.jpg", "a b.jpg", "q\"uo'te.jpg", "$(touch x).jpg",
                                 "`touch y`;touch z.jpg", "new\nline.jpg"}) {
    EXPECT_TRUE(launcher.start((dir / "bin" / "recorder").string(), {"/p", out + name}, out));
    const std::vector<std::string> got = waitForRecord();
    ASSERT_EQ(got.size(), 3u) << name;
    EXPECT_EQ(got[0] + "/", out);
    EXPECT_EQ(got[1], "/p");
    EXPECT_EQ(got[2], out + name);
  }
  EXPECT_FALSE(fs::exists(dir / "out dir" / "x"));
  EXPECT_FALSE(fs::exists(dir / "out dir" / "y"));
  EXPECT_FALSE(fs::exists(dir / "out dir" / "z.jpg"));
  // Nothing of ours is left to reap: the program is not our child.
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST_F(Launcher, BareNamesAreFoundOnPathAndMissingProgramsAreNotStarted) {
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  ::setenv("PATH", ("/nonexistent::" + (dir / "bin").string() + ":" + oldPath).c_str(), 1);
  EXPECT_EQ(findExecutable("recorder"), (dir / "bin" / "recorder").string());
  EXPECT_TRUE(launcher.start("recorder", {}, (dir / "out dir").string()));
  const std::vector<std::string> got = waitForRecord();
  ::setenv("PATH", oldPath.c_str(), 1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], (dir / "out dir").string());
  EXPECT_FALSE(findExecutable("mspaint.exe"));
  EXPECT_FALSE(launcher.start("mspaint.exe", {"x"}, "/"));
  EXPECT_FALSE(launcher.start("", {}, "/"));
}

TEST_F(Launcher, FilesTheSystemWillNotRunAreNotStarted) {
  // Not executable, even for root: no execute bit at all.
  const fs::path plain = dir / "bin" / "plain";
  std::ofstream(plain) << "#!/bin/sh\ntouch \"$RECORD_TO\"\n";
  fs::permissions(plain, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_FALSE(launcher.start(plain.string(), {}, "/"));
  // Executable, but no program: found, and refused by the exec itself.
  const fs::path garbage = dir / "bin" / "garbage";
  std::ofstream(garbage) << "\x7f"
                         << "ELF, but not really a program";
  fs::permissions(garbage, fs::perms::owner_all);
  ASSERT_TRUE(findExecutable(garbage.string()));
  EXPECT_FALSE(launcher.start(garbage.string(), {}, "/"));
  // A folder is no program either.
  EXPECT_FALSE(launcher.start((dir / "out dir").string(), {}, "/"));
  EXPECT_FALSE(fs::exists(record));
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

// What the descriptor of startReportingExit gives: the byte, or -1 at the end of the
// file without one.
int exitReported(int fd) {
  unsigned char status = 0;
  ssize_t got = 0;
  while ((got = ::read(fd, &status, 1)) < 0 && errno == EINTR) {
  }
  ::close(fd);
  return got == 1 ? status : -1;
}

TEST_F(Launcher, TheExitOfAProgramIsReportedWithoutMakingItOurChild) {
  const fs::path failing = dir / "bin" / "no-browser";
  std::ofstream(failing) << "#!/bin/sh\nexit 3\n";
  fs::permissions(failing, fs::perms::owner_all);
  const int fd = startReportingExit(failing.string(), {"file:///manual.html"}, "");
  ASSERT_GE(fd, 0);
  EXPECT_EQ(exitReported(fd), 3);
  EXPECT_EQ(exitReported(startReportingExit("/bin/true", {}, "")), 0);
  EXPECT_EQ(exitReported(startReportingExit("/bin/sh", {"-c", "kill -9 $$"}, "")), 128 + 9);
  EXPECT_EQ(startReportingExit("mspaint.exe", {}, ""), -1);
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

}  // namespace
}  // namespace snaprill
