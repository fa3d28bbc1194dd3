// The texts of the user interface: every message and caption by language section
// and key, with the built-in English text as fallback. Language files override them.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "base/text.h"

namespace snaprill {

class Texts {
 public:
  // The text of [section] key: the language file's text when one was set, else the
  // built-in English text, else the empty string.
  const std::string& get(std::string_view section, std::string_view key) const;
  void set(std::string_view section, std::string_view key, std::string text);
  // Back to the built-in English texts.
  void reset() { overrides_.clear(); }

  static const std::string* builtIn(std::string_view section, std::string_view key);

 private:
  std::map<std::pair<std::string, std::string>, std::string, std::less<>> overrides_;
};

}  // namespace snaprill
