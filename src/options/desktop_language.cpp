#include "options/desktop_language.h"

#include <array>
#include <cstdlib>

#include "platform/program_dir.h"

namespace snaprill {

namespace {

constexpr const char* kEnglishFile = "english.ini";

constexpr std::array<ShippedLanguage, 10> kShipped = {{
    {kEnglishFile, ""},
    {"german.ini", "de"},
    {"french.ini", "fr"},
    {"spanish.ini", "es"},
    {"italian.ini", "it"},
    {"brazilian_portuguese.ini", "pt_BR"},
    {"polish.ini", "pl"},
    {"russian.ini", "ru"},
    {"japanese.ini", "ja"},
    {"simplified_chinese.ini", "zh_CN"},
}};

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// "pt_BR.UTF-8@euro" -> language "pt", territory "BR" (a script such as "Hans" in
// "zh-Hans" counts as the territory).
struct LocaleName {
  std::string language;
  std::string territory;
};

LocaleName parseLocale(std::string_view name) {
  name = name.substr(0, name.find_first_of(".@"));
  const std::size_t separator = name.find_first_of("_-");
  if (separator == std::string_view::npos) return {std::string(name), {}};
  return {std::string(name.substr(0, separator)), std::string(name.substr(separator + 1))};
}

// Chinese in its traditional characters is not shipped: Taiwan, Hong Kong and Macau
// get the next choice rather than a script their readers do not use.
bool speaksShipped(const LocaleName& wanted, const ShippedLanguage& shipped) {
  const LocaleName offered = parseLocale(shipped.locale);
  if (wanted.language != offered.language) return false;
  if (wanted.language == "zh") {
    return wanted.territory.empty() || wanted.territory == "CN" || wanted.territory == "SG" ||
           wanted.territory == "Hans";
  }
  // Portuguese of Portugal reads Brazilian Portuguese far better than English.
  return true;
}

// The file for one locale name, or nothing when we ship none for it.
const char* fileFor(std::string_view name) {
  const LocaleName wanted = parseLocale(name);
  if (wanted.language == "en") return kEnglishFile;
  for (const ShippedLanguage& shipped : kShipped) {
    if (shipped.locale[0] != '\0' && speaksShipped(wanted, shipped)) return shipped.file;
  }
  return nullptr;
}

}  // namespace

std::span<const ShippedLanguage> shippedLanguages() {
  return kShipped;
}

LocaleVariables LocaleVariables::fromEnvironment() {
  return {variable("LANGUAGE"), variable("LC_ALL"), variable("LC_MESSAGES"), variable("LANG")};
}

std::string languageFileForLocale(const LocaleVariables& variables) {
  std::string locale;
  for (const std::string* v : {&variables.lcAll, &variables.lcMessages, &variables.lang}) {
    if (!v->empty()) {
      locale = *v;
      break;
    }
  }
  const std::string_view base = std::string_view(locale).substr(0, locale.find('.'));
  if (base == "C" || base == "POSIX") return kEnglishFile;
  std::string_view list = variables.language;
  while (!list.empty()) {
    const std::size_t colon = list.find(':');
    if (const char* file = fileFor(list.substr(0, colon))) return file;
    list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
  }
  const char* file = locale.empty() ? nullptr : fileFor(locale);
  return file ? file : kEnglishFile;
}

std::string desktopLanguageFile(const std::string& dataDir) {
  const std::string desktop = dataDir + languageFileForLocale(LocaleVariables::fromEnvironment());
  return isRegularFileOrOther(desktop) ? desktop : dataDir + kEnglishFile;
}

std::string localeOfLanguageFile(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  for (const ShippedLanguage& shipped : kShipped) {
    if (name == shipped.file) return shipped.locale;
  }
  return {};
}

}  // namespace snaprill
