// The search box's words: which are date words and what days they cover.
#include <gtest/gtest.h>

#include <ctime>

#include "history/search_query.h"

namespace snaprill {
namespace {

std::int64_t localTime(int year, int month, int day, int hour = 0) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&t));
}

// Faults: "today" taken as the last 24 hours or in UTC, a range missing its last day,
// an impossible date read as the next month's, a date word kept as a search word.
TEST(SearchQueryTest, DateWordsCoverLocalDays) {
  const std::int64_t now = localTime(2026, 3, 7, 15);
  struct Case {
    const char* text;
    std::optional<TimeRange> time;
    std::vector<std::string> words;
  };
  const std::vector<Case> cases = {
      {"today", TimeRange{localTime(2026, 3, 7), localTime(2026, 3, 8)}, {}},
      {"Yesterday error", TimeRange{localTime(2026, 3, 6), localTime(2026, 3, 7)}, {"error"}},
      {"2026-02-28", TimeRange{localTime(2026, 2, 28), localTime(2026, 3, 1)}, {}},
      {"2026-03-01..2026-03-03 x", TimeRange{localTime(2026, 3, 1), localTime(2026, 3, 4)}, {"x"}},
      {"yesterday..today", TimeRange{localTime(2026, 3, 6), localTime(2026, 3, 8)}, {}},
      {"2026-02-31", std::nullopt, {"2026-02-31"}},
      {"2026-03-05..2026-03-01", std::nullopt, {"2026-03-05..2026-03-01"}},
      {"invoice   march", std::nullopt, {"invoice", "march"}},
      {"-- ... invoice", std::nullopt, {"invoice"}},  // nothing to find in punctuation
  };
  for (const Case& c : cases) {
    const SearchQuery q = parseSearch(c.text, now);
    EXPECT_EQ(q.words, c.words) << c.text;
    ASSERT_EQ(q.time.has_value(), c.time.has_value()) << c.text;
    if (c.time) {
      EXPECT_EQ(q.time->since, c.time->since) << c.text;
      EXPECT_EQ(q.time->until, c.time->until) << c.text;
    }
  }
}

// Fault: a quote inside a word ends the quoted word early, letting the rest be read
// as operators.
TEST(SearchQueryTest, MatchExpressionQuotesEveryWord) {
  EXPECT_EQ(matchExpression({}), "");
  EXPECT_EQ(matchExpression({"a", "say\"x"}), "\"a\"* \"say\"\"x\"*");
}

}  // namespace
}  // namespace snaprill
