// The INI reader and the key writer on arbitrary bytes. Beyond not crashing:
// a key written into any text reads back as written, the key of another section
// keeps its value, and many keys written in one walk give the text that writing
// them one by one gives.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "formats/ini/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const snaprill::IniFile before(text);
  const auto other = before.value("General", "OutputDir");
  before.value("Snaprill", "ImageType");

  const std::string updated = snaprill::iniWithValue(text, "Snaprill", "ImageType", " 42 ");
  const snaprill::IniFile after(updated);
  if (after.value("Snaprill", "ImageType") != " 42 ") std::abort();
  if (after.value("General", "OutputDir") != other) std::abort();

  const snaprill::IniEntry entries[] = {{"Snaprill", "ImageType", "1"},
                                        {"general", "OutputDir", "/x/"},
                                        {"New", "Key", "v"},
                                        {"SNAPRILL", "LastPic", "7"},
                                        {"new", "key", "w"}};
  std::string oneByOne(text);
  for (const snaprill::IniEntry& e : entries) {
    oneByOne = snaprill::iniWithValue(oneByOne, e.section, e.key, e.value);
  }
  if (snaprill::iniWithValues(text, entries) != oneByOne) std::abort();
  return 0;
}
