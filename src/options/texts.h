// The texts of the user interface: every message and caption by language section
// and key (options/language_schema.h), with the built-in English text as fallback.
// A language file (options/language.h) overrides them; the windows watch `changed`
// and put the new texts on their widgets.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/callbacks.h"
#include "base/text.h"

namespace snaprill {

class Texts {
 public:
  // The text of [section] key: the language file's text when one was set, else the
  // built-in English text, else the empty string. Texts whose schema row says so
  // come with their \n already turned into line breaks.
  const std::string& get(std::string_view section, std::string_view key) const;
  void set(std::string_view section, std::string_view key, std::string text);
  // Back to the built-in English texts, quick help and credit included.
  void reset();

  // The built-in text of a schema key (line breaks converted as get does), or nullptr.
  static const std::string* builtIn(std::string_view section, std::string_view key);

  // "Translated by: <name>", for the about box's credits line.
  std::string translatorCredit() const;

  // The four lines the about box's quick help gets when a language says too little.
  static const std::vector<std::string>& builtInQuickHelp();
  // The quick-help lines of the about box.
  std::vector<std::string> quickHelpLines = builtInQuickHelp();
  // The help file to open, a full path; empty when there is none (the help items
  // are then hidden).
  std::string helpFile;
  // The language file last applied; empty while the built-in texts are in use.
  std::string languageFile;

  // Told after a language file was applied.
  Callbacks changed;

 private:
  std::map<std::pair<std::string, std::string>, std::string, std::less<>> overrides_;
};

// The two characters \n turned into line breaks, as texts that span lines need.
std::string withLineBreaks(std::string_view text, std::string_view lineBreak = "\n");

}  // namespace snaprill
