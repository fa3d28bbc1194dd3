// Settings and pictures never come from a folder that another user can change: a
// settings file planted there once chose the program that each capture started,
// with the rights of whoever ran Snaprill (root without HOME: /tmp/.config).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/autostart.h"
#include "platform/program_dir.h"
#include "support/temp_dir.h"

namespace snaprill {
namespace {

// Sets an environment variable for one test, and puts it back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(ProgramDirectories, FoldersOtherUsersMayChangeAreUnfit) {
  const testing::TempDir root;
  const std::string mine = root.path().substr(0, root.path().size() - 1);
  EXPECT_EQ(unfitFolderReason(mine), "");
  EXPECT_EQ(unfitFolderReason(mine + "/not/made/yet"), "") << "judged by the folder it goes in";
  EXPECT_EQ(unfitFolderReason("/tmp"), "other users may write to \"/tmp\"");

  const std::string open = mine + "/open";
  std::filesystem::create_directory(open);
  ::chmod(open.c_str(), 0777);
  EXPECT_EQ(unfitFolderReason(open), "other users may write to \"" + open + "\"");
  EXPECT_EQ(unfitFolderReason(open + "/settings"), "other users may write to \"" + open + "\"");
  std::filesystem::create_directory(open + "/mine");
  EXPECT_EQ(unfitFolderReason(open + "/mine"), "other users may write to \"" + open + "\"")
      << "anyone may replace it";
  // Sticky, as /tmp is: nobody else can move or replace a folder of ours in it.
  ::chmod(open.c_str(), 01777);
  EXPECT_EQ(unfitFolderReason(open + "/mine"), "");

  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another user";
  const std::string theirs = open + "/theirs";
  std::filesystem::create_directory(theirs);
  ASSERT_EQ(::chown(theirs.c_str(), 12345, 12345), 0);
  EXPECT_EQ(unfitFolderReason(theirs + "/snaprill"), "\"" + theirs + "\" belongs to another user");
  // Their link to a folder of ours: they may point it elsewhere at any time.
  const std::string link = open + "/link";
  std::filesystem::create_directory_symlink(mine, link);
  ASSERT_EQ(::lchown(link.c_str(), 12345, 12345), 0);
  EXPECT_EQ(unfitFolderReason(link), "the link \"" + link + "\" belongs to another user");
}

// Without HOME the home folder comes from the password database, never /tmp; an
// XDG_CONFIG_HOME that other users may change is passed over for the home folder's.
TEST(ProgramDirectories, TheConfigFolderComesFromAFitHomeOnly) {
  const testing::TempDir root;
  const std::string home = root.path() + "home";
  std::filesystem::create_directory(home);
  const ScopedEnv homeSet("HOME", home.c_str());
  const ScopedEnv xdgUnset("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(userConfigHome(), home + "/.config");

  const std::string open = root.path() + "open";
  std::filesystem::create_directory(open);
  ::chmod(open.c_str(), 0777);
  {
    const ScopedEnv xdgOpen("XDG_CONFIG_HOME", open.c_str());
    EXPECT_EQ(userConfigHome(), home + "/.config");
    EXPECT_EQ(autostartEntryPath(), home + "/.config/autostart/snaprill.desktop");
  }
  const ScopedEnv homeUnset("HOME", nullptr);
  const std::string config = userConfigHome();
  EXPECT_FALSE(config.starts_with("/tmp")) << config;
  if (!config.empty()) {
    EXPECT_EQ(unfitFolderReason(config), "");
    EXPECT_TRUE(config.ends_with("/.config")) << config;
  }
}

}  // namespace
}  // namespace snaprill
