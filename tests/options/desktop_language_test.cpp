// Which shipped language a first start shows, from the variables gettext reads.
#include <gtest/gtest.h>

#include <string>

#include "options/desktop_language.h"

namespace snaprill {
namespace {

TEST(DesktopLanguage, TheFirstVariableThatNamesAShippedLanguageDecides) {
  struct Case {
    LocaleVariables variables;  // LANGUAGE, LC_ALL, LC_MESSAGES, LANG
    const char* file;
  };
  const Case cases[] = {
      {{"", "", "", ""}, "english.ini"},
      {{"", "", "", "de_DE.UTF-8"}, "german.ini"},
      {{"", "", "", "de_AT@euro"}, "german.ini"},
      {{"", "", "fr_CA.UTF-8", "de_DE.UTF-8"}, "french.ini"},
      {{"", "es_MX.UTF-8", "fr_FR.UTF-8", "de_DE.UTF-8"}, "spanish.ini"},
      {{"it", "es_ES.UTF-8", "fr_FR.UTF-8", "de_DE.UTF-8"}, "italian.ini"},
      // A list: the first language we ship, in the user's order.
      {{"eo:pl:ru", "", "", "de_DE.UTF-8"}, "polish.ini"},
      {{"eo::ru_RU", "", "", ""}, "russian.ini"},
      {{"en_GB:de", "", "", "de_DE.UTF-8"}, "english.ini"},
      // None of the list is shipped: the locale speaks.
      {{"eo:et", "", "", "ja_JP.UTF-8"}, "japanese.ini"},
      {{"", "", "", "pt_BR.UTF-8"}, "brazilian_portuguese.ini"},
      {{"", "", "", "pt_PT.UTF-8"}, "brazilian_portuguese.ini"},
      {{"", "", "", "zh_CN.UTF-8"}, "simplified_chinese.ini"},
      {{"zh_SG", "", "", ""}, "simplified_chinese.ini"},
      {{"zh-Hans", "", "", ""}, "simplified_chinese.ini"},
      // Traditional characters are not shipped.
      {{"zh_TW:ja", "", "", "zh_TW.UTF-8"}, "japanese.ini"},
      {{"", "", "", "zh_HK.UTF-8"}, "english.ini"},
      // "C" asks for the untranslated program, whatever LANGUAGE says.
      {{"de", "C", "", "fr_FR.UTF-8"}, "english.ini"},
      {{"de", "", "", "C.UTF-8"}, "english.ini"},
      {{"de", "", "POSIX", ""}, "english.ini"},
      {{"", "", "", "et_EE.UTF-8"}, "english.ini"},
  };
  for (const Case& c : cases) {
    const LocaleVariables& v = c.variables;
    EXPECT_EQ(languageFileForLocale(v), c.file)
        << "LANGUAGE=" << v.language << " LC_ALL=" << v.lcAll << " LC_MESSAGES=" << v.lcMessages
        << " LANG=" << v.lang;
  }
}

TEST(DesktopLanguage, EachShippedFileHasOneLocaleAndIsFoundByIt) {
  for (const ShippedLanguage& shipped : shippedLanguages()) {
    const std::string locale = shipped.locale;
    EXPECT_EQ(localeOfLanguageFile(std::string("/usr/share/snaprill/") + shipped.file), locale);
    if (!locale.empty()) {
      EXPECT_EQ(languageFileForLocale({"", "", "", locale + ".UTF-8"}), shipped.file) << locale;
    }
  }
  EXPECT_EQ(localeOfLanguageFile("/home/me/estonian.ini"), "");
  EXPECT_EQ(localeOfLanguageFile(""), "");
}

}  // namespace
}  // namespace snaprill
