#include "options/file_prefix.h"

namespace snaprill {

std::string withoutForbiddenCharacters(std::string_view prefix) {
  std::string cleaned;
  cleaned.reserve(prefix.size());
  for (const char ch : prefix) {
    switch (ch) {
      case '\\':
      case '/':
      case ':':
      case '*':
      case '?':
      case '"':
      case '<':
      case '>':
      case '|':
        break;
      default:
        cleaned += ch;
    }
  }
  return cleaned;
}

std::string exampleFileName(std::string_view prefix) {
  return std::string(prefix) + "1.jpg";
}

}  // namespace snaprill
