// Each failure of the file functions is told apart by its kind and carries the path,
// the system's reason and the exact text snaprill-batch prints.
#include "io/file_error.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "io/atomic_file.h"
#include "support/temp_dir.h"

namespace snaprill {
namespace {

template <class Work>
FileError caught(Work&& work) {
  try {
    work();
  } catch (const FileError& e) {
    return e;
  }
  ADD_FAILURE() << "no FileError";
  return FileError(FileErrorKind::NotRead, "");
}

TEST(FileError, EachFailureHasItsKindPathReasonAndText) {
  testing::TempDir temp;
  const std::string missing = temp.path() + "missing.ini";
  FileError e = caught([&] { readWholeFile(missing, 100); });
  EXPECT_EQ(e.kind(), FileErrorKind::NotOpened);
  EXPECT_EQ(e.path(), missing);
  EXPECT_EQ(e.reason(), "No such file or directory");
  EXPECT_EQ(std::string(e.what()),
            "Cannot open file \"" + missing + "\": No such file or directory");

  const std::string folder = temp.path() + "folder.png";
  std::filesystem::create_directory(folder);
  e = caught([&] { readFileBytes(folder, 100); });
  EXPECT_EQ(e.kind(), FileErrorKind::NotRegularFile);
  EXPECT_EQ(std::string(e.what()), "\"" + folder + "\" is not a regular file");

  const std::string big = temp.path() + "big.ini";
  std::ofstream(big) << "eleven byte";
  e = caught([&] { readWholeFile(big, 10); });
  EXPECT_EQ(e.kind(), FileErrorKind::TooLargeToRead);
  EXPECT_EQ(std::string(e.what()), "File \"" + big + "\" is too large");

  // The disk-full message shows the folder of exactly this kind's path.
  const std::string nowhere = temp.path() + "no/such/folder.jpg";
  e = caught([&] { AtomicFile file(nowhere); });
  EXPECT_EQ(e.kind(), FileErrorKind::NotCreated);
  EXPECT_EQ(e.path(), nowhere);
  EXPECT_EQ(std::string(e.what()),
            "Cannot create file \"" + nowhere + "\": No such file or directory");
  EXPECT_EQ(fileErrorText(FileErrorKind::NotCreated, "x.png", ""), "Cannot create file \"x.png\"");
  // A settings file keeps the settings dialog's text; the reason stays out of it.
  EXPECT_EQ(fileErrorText(FileErrorKind::SettingsNotWritten, "/a/b.ini", "Disk quota exceeded"),
            "Unable to write to /a/b.ini");
}

}  // namespace
}  // namespace snaprill
