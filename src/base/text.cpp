#include "base/text.h"

#include <algorithm>

namespace snaprill {

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = lowerAscii(c);
  return out;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::string replaceIgnoringCase(std::string_view text, std::string_view placeholder,
                                std::string_view replacement) {
  if (placeholder.empty()) return std::string(text);
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (startsWithIgnoringCase(text.substr(i), placeholder)) {
      out += replacement;
      i += placeholder.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

}  // namespace snaprill
