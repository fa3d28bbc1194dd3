#include "options/setting_text.h"

#include "base/text.h"

#include <cstdint>

namespace snaprill {

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<int> parseSettingsInt(std::string_view s) {
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    std::uint64_t v = 0;
    for (char c : s.substr(2)) {
      const int d = hexDigit(c);
      if (d < 0) return std::nullopt;
      v = v * 16 + static_cast<unsigned>(d);
      if (v > 0xFFFFFFFFu) return std::nullopt;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  }
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return std::nullopt;
  std::int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
    if (v > 2147483648LL) return std::nullopt;
  }
  if (negative) v = -v;
  if (v > 2147483647LL) return std::nullopt;
  return static_cast<int>(v);
}

int fontStyleFromLetters(std::string_view letters) {
  int style = 0;
  for (char c : letters) {
    switch (c) {
      case 'b':
      case 'B':
        style |= kTextBold;
        break;
      case 'i':
      case 'I':
        style |= kTextItalic;
        break;
      case 'u':
      case 'U':
        style |= kTextUnderline;
        break;
      case 's':
      case 'S':
        style |= kTextStrikeOut;
        break;
      default:
        break;
    }
  }
  return style;
}

std::string fontStyleLetters(int style) {
  std::string letters;
  if (style & kTextBold) letters += 'b';
  if (style & kTextItalic) letters += 'i';
  if (style & kTextUnderline) letters += 'u';
  if (style & kTextStrikeOut) letters += 's';
  return letters;
}

}  // namespace snaprill
