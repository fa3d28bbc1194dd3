// Text helpers that ignore ASCII letter case, as every name and placeholder match
// of the settings and language files does. Bytes outside ASCII compare as they are.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace snaprill {

inline char lowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowerAscii(std::string_view text);
bool equalsIgnoringCase(std::string_view a, std::string_view b);
bool startsWithIgnoringCase(std::string_view text, std::string_view prefix);

// Replaces every occurrence of placeholder in text, ignoring letter case.
std::string replaceIgnoringCase(std::string_view text, std::string_view placeholder,
                                std::string_view replacement);

// The same for several placeholders in one pass: a value filled in is never read
// for another placeholder.
struct Placeholder {
  std::string_view name;
  std::string_view value;
};
std::string fillPlaceholders(std::string_view text, std::initializer_list<Placeholder> fills);

}  // namespace snaprill
