// The language schema: every section and key a language file may hold, in the order
// the loader reads them, with its built-in English text and what the program does
// with it. A missing file, section or key falls back to the English text here, so no
// caption is ever blank; data/english.ini holds the same texts, key for key.
//
// Values are used as written except that "&" marks a mnemonic ("&&" shows one "&"),
// placeholders (%q %r %p %ex %s %n, any letter case) are filled in by the code that
// shows the text, and the two characters \n become a line break only in texts whose
// use says so. The quick-help lines ("Line1" ... "Line<LineCount>" of [QuickHelp])
// are numbered, so they are not rows of the table.
#pragma once

#include <span>
#include <string_view>

namespace snaprill {

enum class TextUse {
  Caption,     // a caption, tab, menu item or hint of a window; applied on every change
  Message,     // kept for later: a message box, a dialog title, a notice, a template
  LineBreaks,  // as Caption, with \n turned into a line break when the file is read
  Layout,      // an integer left position of a control in older files' fixed
               // layout; read and checked so that old files load, unused: our
               // windows are laid out by Qt's layouts, which make room for any text
  LineCount,   // the number of quick-help lines
  Credit,      // the translator's name, without its "#" and "%" characters
  HelpFile,    // the help file's name (see language.h)
};

struct LanguageText {
  const char* section;
  const char* key;
  const char* english;
  TextUse use;
};

// Every row, in reading order.
std::span<const LanguageText> languageSchema();

// The row of [section] key (names match without regard to ASCII case), or nullptr.
const LanguageText* findLanguageText(std::string_view section, std::string_view key);

// The quick-help lines' section and the prefix of their keys.
inline constexpr const char* kQuickHelpSection = "QuickHelp";
inline constexpr const char* kQuickHelpLinePrefix = "Line";

}  // namespace snaprill
