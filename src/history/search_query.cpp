#include "history/search_query.h"

#include <algorithm>
#include <ctime>

#include "base/text.h"

namespace snaprill {

namespace {

constexpr std::int64_t kDay = 24 * 60 * 60;

// Local midnight at the start of the day that holds `when`, `days` days later.
std::int64_t startOfDay(std::int64_t when, int days) {
  const std::time_t t = static_cast<std::time_t>(when);
  std::tm local{};
  localtime_r(&t, &local);
  local.tm_mday += days;
  local.tm_hour = local.tm_min = local.tm_sec = 0;
  local.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&local));
}

// A date as YYYY-MM-DD: the local midnight it starts with.
std::optional<std::int64_t> dateStart(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  int fields[3] = {0, 0, 0};
  const std::size_t starts[3] = {0, 5, 8};
  const std::size_t lengths[3] = {4, 2, 2};
  for (int f = 0; f < 3; ++f) {
    for (std::size_t i = 0; i < lengths[f]; ++i) {
      const char c = text[starts[f] + i];
      if (c < '0' || c > '9') return std::nullopt;
      fields[f] = fields[f] * 10 + (c - '0');
    }
  }
  if (fields[1] < 1 || fields[1] > 12 || fields[2] < 1 || fields[2] > 31) return std::nullopt;
  std::tm local{};
  local.tm_year = fields[0] - 1900;
  local.tm_mon = fields[1] - 1;
  local.tm_mday = fields[2];
  local.tm_isdst = -1;
  const std::time_t t = std::mktime(&local);
  // 2026-02-31 would roll over into March: not a date.
  if (local.tm_mday != fields[2]) return std::nullopt;
  return static_cast<std::int64_t>(t);
}

std::optional<TimeRange> oneDay(std::string_view word, std::int64_t now) {
  if (equalsIgnoringCase(word, "today")) return TimeRange{startOfDay(now, 0), startOfDay(now, 1)};
  if (equalsIgnoringCase(word, "yesterday"))
    return TimeRange{startOfDay(now, -1), startOfDay(now, 0)};
  if (const auto start = dateStart(word))
    return TimeRange{*start, startOfDay(*start + kDay / 2, 1)};
  return std::nullopt;
}

bool hasWordCharacter(std::string_view word) {
  for (const char c : word) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x80 || (u >= '0' && u <= '9') || ((u | 0x20) >= 'a' && (u | 0x20) <= 'z'))
      return true;
  }
  return false;
}

}  // namespace

std::optional<TimeRange> dateWordRange(std::string_view word, std::int64_t now) {
  if (const std::size_t dots = word.find(".."); dots != std::string_view::npos) {
    const auto first = oneDay(word.substr(0, dots), now);
    const auto last = oneDay(word.substr(dots + 2), now);
    if (!first || !last || last->until <= first->since) return std::nullopt;
    return TimeRange{first->since, last->until};
  }
  return oneDay(word, now);
}

SearchQuery parseSearch(std::string_view text, std::int64_t now) {
  SearchQuery query;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
    std::size_t end = i;
    while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != '\n') ++end;
    const std::string_view word = text.substr(i, end - i);
    i = end;
    if (word.empty()) continue;
    if (const auto range = dateWordRange(word, now)) {
      // Two date words: the time between the first's start and the last's end.
      if (query.time) {
        query.time->since = std::min(query.time->since, range->since);
        query.time->until = std::max(query.time->until, range->until);
      } else {
        query.time = range;
      }
      continue;
    }
    if (hasWordCharacter(word)) query.words.emplace_back(word);
  }
  return query;
}

std::string matchExpression(const std::vector<std::string>& words) {
  std::string expression;
  for (const std::string& word : words) {
    if (!expression.empty()) expression += ' ';
    expression += '"';
    for (const char c : word) {
      if (c == '"') expression += '"';
      expression += c;
    }
    expression += "\"*";
  }
  return expression;
}

}  // namespace snaprill
