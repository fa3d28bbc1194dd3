// INI files as the settings and language files use them.
//
// Layout: lines ended by CR LF, LF or CR (the last line may lack one); an optional
// UTF-8 byte-order mark first. "[name]" opens a section; "key=value" sets a key in
// the section above it; everything else (comments, blank lines, lines without "=",
// keys above the first section) is kept but never read. Names match without regard
// to ASCII case; leading and trailing blanks around names and values are ignored.
//
// Reading: the first section of a name is that section and the first key of a name
// in it is that key (later duplicates are ignored). A value is cut at a NUL byte,
// loses one pair of surrounding quotes (both " or both '), and is at most
// kMaxIniValue bytes long (cut back to a whole UTF-8 character).
//
// Writing one key: its line is replaced in place, or the key is appended after the
// last non-blank line of its section, or the section is appended at the end of the
// file; a missing file is created. All other bytes of the file stay as they were.
// A value with blanks at either end or in a pair of quotes is written inside double
// quotes, so that it reads back exactly as written.
// Writing many keys (a whole settings save) gives the text that writing them one by
// one would give, placed in one walk over the text, and replaces the file once, or
// not at all when that text is the file's already.
// Each write replaces the file atomically and durably, so after a crash the file
// holds either the old or the new text; the new file keeps the old one's permission
// bits.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "io/file_error.h"

namespace snaprill {

inline constexpr std::size_t kMaxIniValue = 2047;
// Larger files are not read (a reader sees them as empty; a write fails).
inline constexpr std::size_t kMaxIniFileBytes = std::size_t{64} << 20;

// A profile parsed once for many look-ups.
class IniFile {
 public:
  IniFile() = default;
  explicit IniFile(std::string_view text);
  // A file that is missing, unreadable or too large reads as empty.
  static IniFile fromFile(const std::string& path);

  // The value of [section] key, or nothing when the key is absent.
  std::optional<std::string> value(std::string_view section, std::string_view key) const;
  bool has(std::string_view section, std::string_view key) const {
    return value(section, key).has_value();
  }
  // The value, or def when the key is absent.
  std::string string(std::string_view section, std::string_view key, std::string_view def) const;

 private:
  // Keyed by lower-case "section\nkey"; the first occurrence wins.
  std::unordered_map<std::string, std::string> values_;
};

// One read of a file, as a program reads a single key.
std::string readIniValue(const std::string& file, std::string_view section, std::string_view key,
                         std::string_view def);

// Writes [section] key=value into file. Line breaks in value, section and key are
// dropped, and each is cut at a NUL byte, so a write never makes a second line.
// Throws FileError of kind SettingsNotWritten ("Unable to write to <file>") when the
// file cannot be read or replaced, or nobody may write it (lockedAgainstWriting);
// the old file then stays as it was.
void writeIniValue(const std::string& file, std::string_view section, std::string_view key,
                   std::string_view value);

struct IniEntry {
  std::string section;
  std::string key;
  std::string value;
};

// Writes every entry, in order, as writeIniValue would, but replaces the file only
// once, and not at all when it holds that text already. Throws as writeIniValue; the
// old file then stays as it was, without any of the entries.
void writeIniValues(const std::string& file, std::span<const IniEntry> entries);

// The text of a profile after writing one key (the editing step of
// writeIniValue, without the file).
std::string iniWithValue(std::string_view text, std::string_view section, std::string_view key,
                         std::string_view value);
// The same for every entry, in order (the editing step of writeIniValues).
std::string iniWithValues(std::string_view text, std::span<const IniEntry> entries);

}  // namespace snaprill
