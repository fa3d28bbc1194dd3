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
  return fillPlaceholders(text, {{placeholder, replacement}});
}

std::string fillPlaceholders(std::string_view text, std::initializer_list<Placeholder> fills) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto fill = std::find_if(fills.begin(), fills.end(), [&](const Placeholder& p) {
      return !p.name.empty() && startsWithIgnoringCase(text.substr(i), p.name);
    });
    if (fill != fills.end()) {
      out += fill->value;
      i += fill->name.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

}  // namespace snaprill
