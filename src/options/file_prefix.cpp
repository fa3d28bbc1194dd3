#include "options/file_prefix.h"

#include <iterator>

#include "options/options.h"
#include "options/output_types.h"

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

std::string_view outputExtension(const Options& options) {
  // By output type, in the order of the type list.
  const int type = options.value(Option::outputType);
  if (type == kAvi && !options.checked(Option::saveAnimation)) {
    return outputTypeInfo(kGif).extension;
  }
  return outputTypeInfo(type).extension;
}

std::string exampleFileName(const Options& options, bool zeroPadded) {
  return options.text(Option::filePrefix) + (zeroPadded ? "00001" : "1") +
         std::string(outputExtension(options));
}

std::string exampleFileName(const Options& options) {
  return exampleFileName(options, options.checked(Option::zeroPadNumbers));
}

}  // namespace snaprill
