// A fresh temporary folder for one test, removed with everything in it at the end.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace snaprill::testing {

class TempDir {
 public:
  explicit TempDir(const std::filesystem::path& base = std::filesystem::temp_directory_path()) {
    std::string templ = (base / "snaprill-test-XXXXXX").string();
    if (!::mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed in " + base.string());
    path_ = templ + "/";
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // With a trailing "/".
  const std::string& path() const { return path_; }

  // tmpfs where there is one, for tests whose writes sync to disk; otherwise the
  // system's temporary folder.
  static std::filesystem::path tmpfsOrTemp() {
    if (::access("/dev/shm", W_OK) == 0) return "/dev/shm";
    return std::filesystem::temp_directory_path();
  }

 private:
  std::string path_;
};

}  // namespace snaprill::testing
