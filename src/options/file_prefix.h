// The prefix of output file names.
#pragma once

#include <string>
#include <string_view>

namespace snaprill {

// The prefix without the characters a file name may not hold here or on the
// systems files are copied to: \ / : * ? " < > |
std::string withoutForbiddenCharacters(std::string_view prefix);

// The first file name the prefix gives, shown beside its field ("snp1.jpg").
std::string exampleFileName(std::string_view prefix);

}  // namespace snaprill
