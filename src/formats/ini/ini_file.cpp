#include "formats/ini/ini_file.h"

#include "base/text.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "io/atomic_file.h"

namespace snaprill {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string lookupKey(std::string_view section, std::string_view key) {
  std::string k;
  k.reserve(section.size() + key.size() + 1);
  for (char c : section) k += lowerAscii(c);
  k += '\n';  // never part of a name: names never span lines
  for (char c : key) k += lowerAscii(c);
  return k;
}

enum class LineKind { Other, Section, Key };

// One line of a profile: its text [begin, end) and the start of the next line.
struct Line {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t next = 0;
  LineKind kind = LineKind::Other;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed, raw
};

Line classify(std::string_view text, std::size_t begin, std::size_t end, std::size_t next) {
  Line line{begin, end, next, LineKind::Other, {}, {}};
  const std::string_view content = trim(text.substr(begin, end - begin));
  if (content.empty() || content.front() == ';') return line;
  if (content.front() == '[') {
    const std::string_view inner = content.substr(1);
    line.kind = LineKind::Section;
    line.name = trim(inner.substr(0, inner.find(']')));
    return line;
  }
  const std::size_t eq = content.find('=');
  if (eq == std::string_view::npos) return line;
  line.name = trim(content.substr(0, eq));
  if (line.name.empty()) return line;
  line.kind = LineKind::Key;
  line.value = trim(content.substr(eq + 1));
  return line;
}

// Visits every line of text after the byte-order mark, in order.
template <typename Visit>
void forEachLine(std::string_view text, Visit&& visit) {
  std::size_t pos =
      text.substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
  while (pos < text.size()) {
    std::size_t end = pos;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    std::size_t next = end;
    if (next < text.size()) {
      next += (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1;
    }
    if (!visit(classify(text, pos, end, next))) return;
    pos = next;
  }
}

// The value as a program receives it: cut at NUL, one pair of quotes removed, at
// most kMaxIniValue bytes of whole UTF-8 characters.
std::string readableValue(std::string_view raw) {
  raw = raw.substr(0, raw.find('\0'));
  if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'') && raw.back() == raw.front()) {
    raw = raw.substr(1, raw.size() - 2);
  }
  if (raw.size() > kMaxIniValue) {
    std::size_t cut = kMaxIniValue;
    while (cut > 0 && (static_cast<unsigned char>(raw[cut]) & 0xC0u) == 0x80u) --cut;
    raw = raw.substr(0, cut);
  }
  return std::string(raw);
}

// What may go into a line: no line breaks, nothing after a NUL.
std::string singleLine(std::string_view s) {
  s = s.substr(0, s.find('\0'));
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    if (c != '\r' && c != '\n') out += c;
  }
  return out;
}

// A value the reader would change (blanks at either end, a pair of surrounding
// quotes) goes inside double quotes, which the reader removes again.
std::string protectedValue(std::string value) {
  const bool blankEnds = !value.empty() && (isBlank(value.front()) || isBlank(value.back()));
  const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                      value.back() == value.front();
  return blankEnds || quoted ? "\"" + value + "\"" : value;
}

std::string_view lineEndingOf(std::string_view text) {
  const std::size_t at = text.find_first_of("\r\n");
  if (at == std::string_view::npos) return "\n";
  if (text[at] == '\n') return "\n";
  return at + 1 < text.size() && text[at + 1] == '\n' ? "\r\n" : "\r";
}

// The file a write should replace: a symbolic link's target, so that a linked
// settings file stays linked.
std::string resolvedTarget(const std::string& file) {
  std::error_code ec;
  if (!std::filesystem::is_symlink(file, ec)) return file;
  const auto target = std::filesystem::weakly_canonical(file, ec);
  return ec ? file : target.string();
}

}  // namespace

IniFile::IniFile(std::string_view text) {
  std::string section;
  bool sectionIsFirst = false;
  std::unordered_map<std::string, bool> seenSections;
  forEachLine(text, [&](const Line& line) {
    if (line.kind == LineKind::Section) {
      section = std::string(line.name);
      sectionIsFirst = seenSections.emplace(lookupKey(section, ""), true).second;
    } else if (line.kind == LineKind::Key && sectionIsFirst) {
      values_.emplace(lookupKey(section, line.name), readableValue(line.value));
    }
    return true;
  });
}

IniFile IniFile::fromFile(const std::string& path) {
  try {
    return IniFile(readWholeFile(path, kMaxIniFileBytes));
  } catch (const FileError&) {
    return IniFile();
  }
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
  const auto it = values_.find(lookupKey(trim(section), trim(key)));
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::string IniFile::string(std::string_view section, std::string_view key,
                            std::string_view def) const {
  std::optional<std::string> v = value(section, key);
  return v ? std::move(*v) : std::string(def);
}

std::string readIniValue(const std::string& file, std::string_view section, std::string_view key,
                         std::string_view def) {
  return IniFile::fromFile(file).string(section, key, def);
}

std::string iniWithValue(std::string_view text, std::string_view sectionName,
                         std::string_view keyName, std::string_view newValue) {
  const std::string section(trim(singleLine(sectionName)));
  const std::string key(trim(singleLine(keyName)));
  const std::string keyLine = key + "=" + protectedValue(singleLine(newValue));
  const std::string_view eol = lineEndingOf(text);

  // State of the walk: inside the first section of that name, and where its last
  // non-blank line ends.
  bool inSection = false;
  bool sectionSeen = false;
  std::optional<std::size_t> insertAt;
  bool insertNeedsBreak = false;
  std::optional<Line> keyFound;
  forEachLine(text, [&](const Line& line) {
    if (line.kind == LineKind::Section) {
      if (inSection) return false;  // the section ended without the key
      if (!sectionSeen && equalsIgnoringCase(line.name, section)) {
        inSection = sectionSeen = true;
      }
    } else if (inSection && line.kind == LineKind::Key && equalsIgnoringCase(line.name, key)) {
      keyFound = line;
      return false;
    }
    if (inSection && !trim(text.substr(line.begin, line.end - line.begin)).empty()) {
      insertAt = line.next;
      insertNeedsBreak = line.next == line.end;  // the last line of the file, unended
    }
    return true;
  });

  std::string out;
  out.reserve(text.size() + keyLine.size() + section.size() + 8);
  if (keyFound) {
    out.append(text.substr(0, keyFound->begin));
    out.append(keyLine);
    out.append(text.substr(keyFound->end));
  } else if (insertAt) {
    out.append(text.substr(0, *insertAt));
    if (insertNeedsBreak) out.append(eol);
    out.append(keyLine);
    out.append(eol);
    out.append(text.substr(*insertAt));
  } else {
    out.append(text);
    if (!text.empty() && text.back() != '\n' && text.back() != '\r' && text != kByteOrderMark) {
      out.append(eol);
    }
    out.append("[" + section + "]");
    out.append(eol);
    out.append(keyLine);
    out.append(eol);
  }
  return out;
}

namespace {

// The text a write edits: the file's, or none when there is no file yet.
std::string textToEdit(const std::string& file, const std::string& target) {
  struct stat st {};
  if (::stat(target.c_str(), &st) != 0) return std::string();
  if (!S_ISREG(st.st_mode)) throw FileError(FileErrorKind::SettingsNotWritten, file);
  // Locked by its owner: a rename would replace it all the same.
  if (lockedAgainstWriting(target)) {
    throw FileError(FileErrorKind::SettingsNotWritten, file, std::strerror(EACCES));
  }
  try {
    return readWholeFile(target, kMaxIniFileBytes);
  } catch (const FileError& e) {
    throw FileError(FileErrorKind::SettingsNotWritten, file, e.reason());
  }
}

void replaceText(const std::string& file, const std::string& target, const std::string& text) {
  try {
    AtomicFile out(target);
    out.write(text.data(), text.size());
    out.commit(true);
  } catch (const FileError& e) {
    throw FileError(FileErrorKind::SettingsNotWritten, file, e.reason());
  }
}

}  // namespace

void writeIniValue(const std::string& file, std::string_view section, std::string_view key,
                   std::string_view value) {
  const std::string target = resolvedTarget(file);
  const std::string text = textToEdit(file, target);
  replaceText(file, target, iniWithValue(text, section, key, value));
}

void writeIniValues(const std::string& file, std::span<const IniEntry> entries) {
  const std::string target = resolvedTarget(file);
  const std::string before = textToEdit(file, target);
  std::string text = before;
  for (const IniEntry& entry : entries)
    text = iniWithValue(text, entry.section, entry.key, entry.value);
  // Most saves at exit find the settings as the last one left them: the file
  // holds these bytes already, and syncing them again would only cost time.
  std::error_code ec;
  if (text == before && std::filesystem::is_regular_file(target, ec)) return;
  replaceText(file, target, text);
}

}  // namespace snaprill
