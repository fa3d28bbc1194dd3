// What the program says about itself: its name with the version of this build, and
// the home page it points users to.
#pragma once

#include <string>

namespace snaprill {

// "Snaprill v" and the version this build carries, as the about box and the
// gallery's credit line show it.
std::string productTitle();

// "Snaprill" and the version, as files name the program that made them (TIFF's
// Software tag).
std::string productNameAndVersion();

// The answer to --version, as GNU programs give it: the program's name and version,
// the copyright and the licence, one a line, ending in a newline.
std::string versionText(const std::string& programName);

// The home page given to the build (cmake -DSNAPRILL_HOME_PAGE=...), or the empty
// string when none was: a link that leads nowhere is worse than no link.
std::string homePage();

}  // namespace snaprill
