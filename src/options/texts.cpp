#include "options/texts.h"

#include <vector>

#include "options/language_schema.h"

namespace snaprill {

std::string withLineBreaks(std::string_view text, std::string_view lineBreak) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      out += lineBreak;
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

const std::string* Texts::builtIn(std::string_view section, std::string_view key) {
  static const std::vector<std::string> strings = [] {
    std::vector<std::string> v;
    for (const LanguageText& t : languageSchema()) {
      v.emplace_back(t.use == TextUse::LineBreaks ? withLineBreaks(t.english) : t.english);
    }
    return v;
  }();
  const LanguageText* row = findLanguageText(section, key);
  return row ? &strings[static_cast<std::size_t>(row - languageSchema().data())] : nullptr;
}

const std::string& Texts::get(std::string_view section, std::string_view key) const {
  const auto it = overrides_.find(std::make_pair(lowerAscii(section), lowerAscii(key)));
  if (it != overrides_.end()) return it->second;
  static const std::string kEmpty;
  const std::string* text = builtIn(section, key);
  return text ? *text : kEmpty;
}

void Texts::set(std::string_view section, std::string_view key, std::string text) {
  overrides_[std::make_pair(lowerAscii(section), lowerAscii(key))] = std::move(text);
}

void Texts::reset() {
  overrides_.clear();
  quickHelpLines = builtInQuickHelp();
  helpFile.clear();
  languageFile.clear();
}

std::string Texts::translatorCredit() const {
  return get("Info", "Translator") + ": " + get("Language", "TranslatedBy");
}

const std::vector<std::string>& Texts::builtInQuickHelp() {
  static const std::vector<std::string> lines = {
      "To take a screenshot, press the Print Screen button on your keyboard and Snaprill will "
      "automatically save it.",
      "If you want a screenshot of only the active window, hold down the Alt key and then press "
      "Print Screen.",
  };
  return lines;
}

}  // namespace snaprill
