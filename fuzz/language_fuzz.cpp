// Language files on arbitrary bytes. Beyond not crashing: whatever the bytes, the
// text read is valid UTF-8, and so is every value, however it was cut.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "formats/ini/ini_file.h"
#include "options/language.h"
#include "options/language_schema.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string text = snaprill::languageFileText(bytes);
  if (!snaprill::isValidUtf8(text)) std::abort();
  const snaprill::IniFile file(text);
  for (const snaprill::LanguageText& row : snaprill::languageSchema()) {
    const auto value = file.value(row.section, row.key);
    if (value && !snaprill::isValidUtf8(*value)) std::abort();
  }
  return 0;
}
