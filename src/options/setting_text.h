// Values as the settings files write them: integers (decimal, or hexadecimal on
// reading) and the letters of a font style. The keys themselves are in the option
// table (options.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "options/options.h"

namespace snaprill {

// An integer as the settings files hold it: decimal text with an optional sign, or
// text of more than two characters beginning with "0x" or "0X" as hexadecimal (up
// to 32 bits, taken as a signed value). Anything else, trailing junk or a value
// beyond 32 bits included, gives nothing.
std::optional<int> parseSettingsInt(std::string_view text);

// TextStyleBits from style letters (any case, anywhere) and back ("biu s" order).
int fontStyleFromLetters(std::string_view letters);
std::string fontStyleLetters(int style);

}  // namespace snaprill
