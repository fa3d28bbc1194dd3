#include "history/reading_languages.h"

#include <array>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "platform/program_dir.h"

namespace snaprill {

namespace {

// Our language files and the Tesseract data that reads their language.
constexpr std::array<std::pair<std::string_view, const char*>, 9> kLanguageData{{
    {"german.ini", "deu"},
    {"french.ini", "fra"},
    {"spanish.ini", "spa"},
    {"italian.ini", "ita"},
    {"polish.ini", "pol"},
    {"russian.ini", "rus"},
    {"brazilian_portuguese.ini", "por"},
    {"japanese.ini", "jpn"},
    {"simplified_chinese.ini", "chi_sim"},
}};

bool hasData(const std::string& dataDir, const char* language) {
  return isRegularFileOrOther(dataDir + language + ".traineddata");
}

}  // namespace

std::string tesseractDataDir() {
  const char* prefix = std::getenv("TESSDATA_PREFIX");
  if (prefix != nullptr && *prefix == '/') return withTrailingSlash(prefix);
  return "/usr/share/tesseract-ocr/5/tessdata/";
}

std::string readingLanguages(const std::string& languageFile, const std::string& dataDir) {
  const std::string name = languageFile.substr(languageFile.find_last_of('/') + 1);
  std::string languages;
  for (const auto& [file, language] : kLanguageData) {
    if (file == name && hasData(dataDir, language)) languages = language;
  }
  if (hasData(dataDir, "eng")) languages += languages.empty() ? "eng" : "+eng";
  return languages;
}

}  // namespace snaprill
