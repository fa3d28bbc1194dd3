#include "history/find_command.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <limits>

namespace snaprill {

namespace {

// Enough for a screen of any script's output at a time; the loop fetches on.
constexpr int kBatchOfResults = 500;

std::int64_t secondsNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

std::optional<FindRequest> parseFindArguments(const std::vector<std::string>& args,
                                              std::int64_t now, std::string& problem) {
  FindRequest request;
  std::string words;
  std::optional<std::int64_t> since;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-0" || a == "--null") {
      request.nullSeparated = true;
      continue;
    }
    if (a == "--since" || a == "--app") {
      if (i + 1 >= args.size()) {
        problem = "option \"" + a + "\" needs a value";
        return std::nullopt;
      }
      const std::string& value = args[++i];
      if (a == "--app") {
        request.query.application = value;
        continue;
      }
      const std::optional<TimeRange> range = dateWordRange(value, now);
      if (!range) {
        problem = "--since: \"" + value + "\" is no date (today, yesterday or YYYY-MM-DD)";
        return std::nullopt;
      }
      since = range->since;
      continue;
    }
    if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
      problem = "unknown option \"" + a + "\"";
      return std::nullopt;
    }
    words += a;
    words += ' ';
  }
  const SearchQuery parsed = parseSearch(words, now);
  request.query.words = parsed.words;
  request.query.time = parsed.time;
  if (since) {
    if (!request.query.time)
      request.query.time = TimeRange{*since, std::numeric_limits<std::int64_t>::max()};
    request.query.time->since = std::max(request.query.time->since, *since);
  }
  if (request.query.words.empty() && !request.query.time && request.query.application.empty()) {
    problem = "nothing to find: give words, a date or an application";
    return std::nullopt;
  }
  return request;
}

int printFound(CaptureIndex& index, const FindRequest& request, std::ostream& out) {
  int printed = 0;
  for (int offset = 0;; offset += kBatchOfResults) {
    const std::vector<FoundCapture> found = index.search(request.query, kBatchOfResults, offset);
    for (const FoundCapture& f : found) {
      // Deleted, moved or renamed since: not a result any more.
      if (::access(f.path.c_str(), F_OK) != 0) continue;
      out << f.path << (request.nullSeparated ? '\0' : '\n');
      ++printed;
    }
    if (static_cast<int>(found.size()) < kBatchOfResults) return printed;
  }
}

int findCommand(const std::vector<std::string>& args, const std::string& indexPath,
                std::ostream& out, std::ostream& err) {
  std::string problem;
  const std::optional<FindRequest> request = parseFindArguments(args, secondsNow(), problem);
  if (!request) {
    err << "snaprill: --find: " << problem << '\n';
    return 2;
  }
  if (indexPath.empty() || ::access(indexPath.c_str(), F_OK) != 0) return 1;
  try {
    const std::unique_ptr<CaptureIndex> index = CaptureIndex::open(indexPath, false);
    return printFound(*index, *request, out) > 0 ? 0 : 1;
  } catch (const IndexError& e) {
    err << "snaprill: " << e.what() << '\n';
    return 1;
  }
}

}  // namespace snaprill
