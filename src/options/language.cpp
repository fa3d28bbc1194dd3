#include "options/language.h"

#include <array>
#include <optional>

#include "formats/ini/ini_file.h"
#include "io/atomic_file.h"
#include "options/language_schema.h"
#include "options/setting_text.h"
#include "platform/program_dir.h"

namespace snaprill {

namespace {

// Windows-1252's 0x80-0x9F; the five bytes it leaves undefined map to the C1
// controls of the same value, as the WHATWG Encoding Standard does.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Characters, not bytes: the 20-character rule counts what the reader sees.
std::size_t utf8Length(std::string_view text) {
  std::size_t n = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  }
  return n;
}

std::string withoutCharacters(std::string_view text, std::string_view dropped) {
  std::string out;
  for (const char c : text) {
    if (dropped.find(c) == std::string_view::npos) out += c;
  }
  return out;
}

// Relative names count from the language file's folder, then from the shipped files.
std::string findHelpFile(const std::string& name, const std::string& languageFile,
                         const std::string& dataDir) {
  if (name.empty()) return {};
  if (name.front() == '/') return isRegularFileOrOther(name) ? name : std::string();
  const std::size_t slash = languageFile.rfind('/');
  const std::string languageDir =
      slash == std::string::npos ? std::string() : languageFile.substr(0, slash + 1);
  for (const std::string& dir : {languageDir, dataDir}) {
    if (!dir.empty() && isRegularFileOrOther(dir + name)) return dir + name;
  }
  return {};
}

void readQuickHelp(Texts& texts, const IniFile& file) {
  const std::optional<std::string> countText = file.value(kQuickHelpSection, "LineCount");
  const int count = countText ? parseSettingsInt(*countText).value_or(0) : 0;
  texts.quickHelpLines.clear();
  std::size_t joined = 0;
  for (int i = 1; i <= std::min(count, kMaxQuickHelpLines); ++i) {
    texts.quickHelpLines.push_back(
        file.string(kQuickHelpSection, kQuickHelpLinePrefix + std::to_string(i), ""));
    joined += utf8Length(texts.quickHelpLines.back()) + 2;  // and CR LF
  }
  // A quick help that says next to nothing gets the built-in lines, so the about
  // box always helps.
  if (joined < kShortQuickHelp) {
    const std::vector<std::string>& builtIn = Texts::builtInQuickHelp();
    texts.quickHelpLines.insert(texts.quickHelpLines.end(), builtIn.begin(), builtIn.end());
  }
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    std::size_t length = 0;
    char32_t c = 0;
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      length = 2;
      c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3;
      c = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4;
      c = b & 0x07;
    } else {
      return false;
    }
    if (i + length > bytes.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      c = (c << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode's end are not UTF-8.
    if ((length == 3 && c < 0x800) || (length == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
        (c >= 0xD800 && c <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

std::string windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    appendUtf8(out, b >= 0x80 && b <= 0x9F ? kHighControls[b - 0x80] : char32_t{b});
  }
  return out;
}

std::string languageFileText(std::string_view bytes) {
  return isValidUtf8(bytes) ? std::string(bytes) : windows1252ToUtf8(bytes);
}

void loadLanguage(Texts& texts, const std::string& file, const std::string& dataDir) {
  IniFile ini;
  try {
    ini = IniFile(languageFileText(readWholeFile(file, kMaxIniFileBytes)));
  } catch (const FileError&) {
    // Missing or unreadable: English everywhere.
  }
  texts.reset();
  std::string helpFileName;
  for (const LanguageText& row : languageSchema()) {
    std::optional<std::string> value = ini.value(row.section, row.key);
    if (!value) {
      if (row.use == TextUse::HelpFile) helpFileName = row.english;
      continue;  // the built-in text
    }
    switch (row.use) {
      case TextUse::LineBreaks:
        *value = withLineBreaks(*value);
        break;
      case TextUse::Layout:
      case TextUse::LineCount:
        if (!parseSettingsInt(*value)) continue;
        break;
      case TextUse::Credit:
        *value = withoutCharacters(*value, "#%");
        break;
      case TextUse::HelpFile:
        helpFileName = *value;
        break;
      case TextUse::Caption:
      case TextUse::Message:
        break;
    }
    texts.set(row.section, row.key, std::move(*value));
  }
  readQuickHelp(texts, ini);
  texts.helpFile = findHelpFile(helpFileName, file, dataDir);
  texts.languageFile = file;
  texts.changed.callAll();
}

}  // namespace snaprill
