// The language files shipped with the program, and which of them speaks the
// desktop's language. A start with no language stored in the settings shows the
// desktop's language; once the user has chosen a file, that choice is stored and
// the desktop is not asked again.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace snaprill {

struct ShippedLanguage {
  const char* file;    // beside english.ini, in the folder of the shipped files
  const char* locale;  // as Qt's translation files name it: "de", "pt_BR", "zh_CN"
};

// English first.
std::span<const ShippedLanguage> shippedLanguages();

// The variables that name the user's language, as gettext reads them.
struct LocaleVariables {
  std::string language;    // LANGUAGE: a list of languages, "de:fr"
  std::string lcAll;       // LC_ALL
  std::string lcMessages;  // LC_MESSAGES
  std::string lang;        // LANG

  static LocaleVariables fromEnvironment();
};

// The name of the shipped language file that speaks the user's language:
// LANGUAGE's entries in their order, then the locale (the first of LC_ALL,
// LC_MESSAGES and LANG that is set). The first entry that is English or a shipped
// language decides; "english.ini" when none is. A locale of "C" or "POSIX" means
// English whatever LANGUAGE says, as gettext has it.
std::string languageFileForLocale(const LocaleVariables& variables);

// The desktop's language file in dataDir (the folder of the shipped files), or
// dataDir + "english.ini" when that file is not there.
std::string desktopLanguageFile(const std::string& dataDir);

// The locale of a language file, by its name (any folder); empty for english.ini
// and for files that are not shipped, whose language we cannot know.
std::string localeOfLanguageFile(std::string_view path);

}  // namespace snaprill
