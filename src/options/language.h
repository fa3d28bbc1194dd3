// Language files: INI files with one section per area of the windows and one key per
// text (options/language_schema.h). loadLanguage puts a file's texts into Texts and
// tells Texts::changed, so that the capture cycle and the windows show them.
//
// Encoding: a file is read as UTF-8 (an optional byte-order mark first); a file that
// is not valid UTF-8 is an old 8-bit language pack and is read as Windows-1252, so
// its accents still show. Values are cut on character boundaries only.
#pragma once

#include <string>
#include <string_view>

#include "options/texts.h"

namespace snaprill {

// Applies file: each schema key takes the file's value (an empty value gives an
// empty text; only a missing key gives the English text), integers that are not
// integers take their built-in value, the translator credit loses its "#" and "%",
// the quick help gets its lines (and the four built-in lines when it is shorter than
// 20 characters), and the help file is looked for. A file that is missing or not an
// INI file gives the English texts everywhere, without a message.
//
// A relative HelpFile counts from the language file's folder, then from dataDir
// (where the shipped manual is), so that help works wherever the program is
// installed and whatever the current directory.
void loadLanguage(Texts& texts, const std::string& file, const std::string& dataDir);

// The bytes of a language file as UTF-8 text: unchanged when they are valid UTF-8,
// else read as Windows-1252.
std::string languageFileText(std::string_view bytes);
bool isValidUtf8(std::string_view bytes);
std::string windows1252ToUtf8(std::string_view bytes);

// The quick help's joined length below which the built-in lines are added.
inline constexpr std::size_t kShortQuickHelp = 20;
// More lines than this are not read: a LineCount of two thousand million would
// otherwise fill the memory with empty lines.
inline constexpr int kMaxQuickHelpLines = 10000;

}  // namespace snaprill
