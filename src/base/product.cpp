#include "base/product.h"

#ifndef SNAPRILL_VERSION
#define SNAPRILL_VERSION "0"
#endif
#ifndef SNAPRILL_HOME_PAGE
#define SNAPRILL_HOME_PAGE ""
#endif

namespace snaprill {

std::string productTitle() {
  return std::string("Snaprill v") + SNAPRILL_VERSION;
}

std::string productNameAndVersion() {
  return std::string("Snaprill ") + SNAPRILL_VERSION;
}

std::string versionText(const std::string& programName) {
  static constexpr const char* kCopyrightAndLicence =
      "Copyright (C) 2026 the Snaprill developers.\n"
      "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
      "This is free software: you are free to change and redistribute it.\n"
      "There is NO WARRANTY, to the extent permitted by law.\n";
  return programName + " " + SNAPRILL_VERSION + "\n" + kCopyrightAndLicence;
}

std::string homePage() {
  return SNAPRILL_HOME_PAGE;
}

}  // namespace snaprill
