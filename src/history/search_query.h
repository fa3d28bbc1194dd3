// What a search of the capture history asks for, from the words a person types:
// words that must all appear (in the picture's text, the window title, the
// application or the file name; each may be the beginning of a longer word), and
// date words that limit the time: "today", "yesterday", a date (2026-03-07) or a
// range of dates (2026-03-01..2026-03-07, both days included). Days are the local
// calendar's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace snaprill {

// Seconds since the epoch: [since, until).
struct TimeRange {
  std::int64_t since = 0;
  std::int64_t until = 0;
};

struct SearchQuery {
  std::vector<std::string> words;
  std::optional<TimeRange> time;
  std::string application;  // only this application's captures (any letter case); empty: all
};

// The search box's text as a query, with date words taken relative to `now`.
SearchQuery parseSearch(std::string_view text, std::int64_t now);

// The days one date word covers, or nothing when the word is none.
std::optional<TimeRange> dateWordRange(std::string_view word, std::int64_t now);

// The full-text expression that finds every word (each quoted, so that no word is
// read as an operator, and open at its end); empty when there are none.
std::string matchExpression(const std::vector<std::string>& words);

}  // namespace snaprill
