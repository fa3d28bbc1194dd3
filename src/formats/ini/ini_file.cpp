#include "formats/ini/ini_file.h"

#include "base/text.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <system_error>
#include <utility>
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

namespace {

// An entry as a file holds it: its names as a line gives them, and its line.
struct KeyLine {
  std::string section;
  std::string key;
  std::string line;           // key=value
  std::string sectionLookup;  // the names as look-ups match them
  std::string keyLookup;
};

KeyLine keyLineOf(std::string_view section, std::string_view key, std::string_view value) {
  KeyLine k;
  k.section = std::string(trim(singleLine(section)));
  k.key = std::string(trim(singleLine(key)));
  k.line = k.key + "=" + protectedValue(singleLine(value));
  k.sectionLookup = lowerAscii(k.section);
  k.keyLookup = lookupKey(k.section, k.key);
  return k;
}

// Whether the line written for an entry reads back as a key of its section under
// the same name. Only then may an entry find a line that an earlier entry of the
// same write added (a key "a=b" reads back as "a", a key "[x" as a section).
bool readsBackAsWritten(const KeyLine& k) {
  return !k.key.empty() && k.key.front() != '[' && k.key.front() != ';' &&
         k.key.find('=') == std::string::npos && k.section.find(']') == std::string::npos;
}

// The lines an edit adds to a section, in order, by the key look-up they answer.
using AddedLines = std::vector<std::pair<std::string, std::string>>;

void addOrReplace(AddedLines& lines, const KeyLine& k) {
  for (auto& [lookup, line] : lines) {
    if (lookup == k.keyLookup) {
      line = k.line;
      return;
    }
  }
  lines.emplace_back(k.keyLookup, k.line);
}

// Every entry of a write placed in one walk over the text, as writing them one by
// one would place them: a key's line replaced where the first section of its name
// holds it, else added after that section's last non-blank line (after the keys
// added before it), else added in a new section at the end.
class IniEdit {
 public:
  IniEdit(std::string_view text, std::span<const KeyLine> entries) : text_(text) {
    std::unordered_map<std::string, bool> wantedKeys;
    for (const KeyLine& k : entries) {
      places_.try_emplace(k.sectionLookup);
      wantedKeys.emplace(k.keyLookup, true);
    }
    std::unordered_map<std::string, bool> sectionsSeen;
    SectionPlace* place = nullptr;  // the first section of a wanted name, while in it
    std::string sectionLookup;
    forEachLine(text, [&](const Line& line) {
      if (line.kind == LineKind::Section) {
        sectionLookup = lowerAscii(line.name);
        const auto wanted = places_.find(sectionLookup);
        place = wanted != places_.end() && sectionsSeen.emplace(sectionLookup, true).second
                    ? &wanted->second
                    : nullptr;
        if (place) place->found = true;
      } else if (place && line.kind == LineKind::Key) {
        std::string lookup = lookupKey(sectionLookup, line.name);
        if (wantedKeys.contains(lookup)) keyLines_.try_emplace(std::move(lookup), line);
      }
      if (place && !trim(text.substr(line.begin, line.end - line.begin)).empty()) {
        place->insertAt = line.next;
        place->needsBreak = line.next == line.end;  // the last line of the file, unended
      }
      return true;
    });
    for (const KeyLine& k : entries) {
      SectionPlace& section = places_[k.sectionLookup];
      if (const auto found = keyLines_.find(k.keyLookup);
          section.found && found != keyLines_.end()) {
        replacements_[found->second.begin] = {found->second.end, k.line};
      } else if (section.found) {
        addOrReplace(section.added, k);
      } else {
        auto fresh =
            std::find_if(newSections_.begin(), newSections_.end(),
                         [&k](const NewSection& s) { return s.lookup == k.sectionLookup; });
        if (fresh == newSections_.end()) {
          fresh =
              newSections_.insert(newSections_.end(), NewSection{k.sectionLookup, k.section, {}});
        }
        addOrReplace(fresh->lines, k);
      }
    }
  }

  std::string result() const {
    const std::string_view eol = lineEndingOf(text_);
    // Where the text changes, in order; at one place a replaced line comes before
    // lines added after it.
    struct Change {
      std::size_t at;
      const Replacement* replacement;
      const SectionPlace* place;
    };
    std::vector<Change> changes;
    std::size_t grows = 0;
    for (const auto& [begin, replacement] : replacements_) {
      changes.push_back({begin, &replacement, nullptr});
      grows += replacement.line.size();
    }
    for (const auto& [lookup, place] : places_) {
      if (place.added.empty()) continue;
      changes.push_back({place.insertAt, nullptr, &place});
      for (const auto& added : place.added) grows += added.second.size() + eol.size();
    }
    std::sort(changes.begin(), changes.end(), [](const Change& a, const Change& b) {
      return a.at != b.at ? a.at < b.at : a.replacement != nullptr && b.replacement == nullptr;
    });
    std::string out;
    out.reserve(text_.size() + grows + 64);
    std::size_t copied = 0;
    for (const Change& change : changes) {
      out.append(text_.substr(copied, change.at - copied));
      copied = change.at;
      if (change.replacement) {
        out.append(change.replacement->line);
        copied = change.replacement->end;
        continue;
      }
      if (change.place->needsBreak) out.append(eol);
      for (const auto& added : change.place->added) {
        out.append(added.second).append(eol);
        // A line ended by CR before a blank line's LF: the two make one line end, as
        // in the text a write of that line alone gives, and the next line follows it.
        if (eol == "\r" && copied < text_.size() && text_[copied] == '\n') out += text_[copied++];
      }
    }
    out.append(text_.substr(copied));
    if (!newSections_.empty() && !out.empty() && out.back() != '\n' && out.back() != '\r' &&
        out != kByteOrderMark) {
      out.append(eol);
    }
    for (const NewSection& section : newSections_) {
      out.append("[").append(section.name).append("]").append(eol);
      for (const auto& added : section.lines) out.append(added.second).append(eol);
    }
    return out;
  }

 private:
  struct SectionPlace {
    bool found = false;        // the text holds a section of this name
    std::size_t insertAt = 0;  // after the last non-blank line of the first one
    bool needsBreak = false;   // that line ends the text without a line ending
    AddedLines added;
  };
  struct Replacement {
    std::size_t end;  // of the line replaced
    std::string line;
  };
  struct NewSection {
    std::string lookup;
    std::string name;
    AddedLines lines;
  };

  std::string_view text_;
  std::unordered_map<std::string, SectionPlace> places_;  // by section look-up
  std::unordered_map<std::string, Line> keyLines_;        // by key look-up
  std::map<std::size_t, Replacement> replacements_;       // by the line's start
  std::vector<NewSection> newSections_;
};

// The text after writing every entry, or nothing when it is the text as it was.
// One walk over the text places them all, unless an entry's names would not read
// back as written: then each entry takes a walk of its own, in turn.
std::optional<std::string> editedText(std::string_view text, std::span<const IniEntry> entries) {
  std::vector<KeyLine> lines;
  lines.reserve(entries.size());
  for (const IniEntry& e : entries) lines.push_back(keyLineOf(e.section, e.key, e.value));
  std::string edited;
  if (lines.size() <= 1 || std::all_of(lines.begin(), lines.end(), readsBackAsWritten)) {
    edited = IniEdit(text, lines).result();
  } else {
    edited = text;
    for (const KeyLine& k : lines) edited = IniEdit(edited, std::span(&k, 1)).result();
  }
  if (edited == text) return std::nullopt;
  return edited;
}

}  // namespace

std::string iniWithValues(std::string_view text, std::span<const IniEntry> entries) {
  std::optional<std::string> edited = editedText(text, entries);
  return edited ? std::move(*edited) : std::string(text);
}

std::string iniWithValue(std::string_view text, std::string_view section, std::string_view key,
                         std::string_view value) {
  const IniEntry entry{std::string(section), std::string(key), std::string(value)};
  return iniWithValues(text, std::span(&entry, 1));
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
  // Most saves at exit find the settings as the last one left them: the file
  // holds these bytes already, and building and syncing them again would only cost
  // time (seconds for a settings file of many megabytes).
  std::optional<std::string> edited = editedText(before, entries);
  std::error_code ec;
  if (!edited) {
    if (std::filesystem::is_regular_file(target, ec)) return;
    edited = before;  // no file yet: an empty one
  }
  replaceText(file, target, *edited);
}

}  // namespace snaprill
