// Searches of a capture history as the History window makes them: the first screen
// of results (60, newest first, with their excerpts) for a common word, a rare word,
// two words, a word's beginning, a date word, an application and no words at all.
// Prints the median of 15 searches of each, in milliseconds, after one to warm the
// file cache.
//
// usage: history_search_bench INDEX
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "history/capture_index.h"

using namespace snaprill;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: history_search_bench INDEX\n");
    return 2;
  }
  const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
  struct Case {
    const char* what;
    const char* text;
    const char* application;
  };
  const Case cases[] = {
      {"common word", "error", ""},      {"rare word", "zanzibar", ""},
      {"two words", "error invoice", ""}, {"beginning", "inv", ""},
      {"date word", "yesterday", ""},    {"application", "", "firefox"},
      {"no words", "", ""},
  };
  const auto opened = std::chrono::steady_clock::now();
  auto index = CaptureIndex::open(argv[1], false);
  std::printf("open: %.2f ms\n", std::chrono::duration<double, std::milli>(
                                     std::chrono::steady_clock::now() - opened)
                                     .count());
  for (const Case& c : cases) {
    SearchQuery query = parseSearch(c.text, now);
    query.application = c.application;
    std::size_t found = index->search(query, 60).size();
    std::vector<double> ms;
    for (int i = 0; i < 15; ++i) {
      const auto start = std::chrono::steady_clock::now();
      found = index->search(query, 60).size();
      ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                            start)
                       .count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-12s %3zu results  median %7.2f ms  (quartiles %.2f-%.2f)\n", c.what, found,
                ms[7], ms[3], ms[11]);
  }
  return 0;
}
