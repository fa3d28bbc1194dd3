#include "base/ordered_parts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace snaprill {
namespace {

// Parts that take uneven times, so that later ones are often made before earlier
// ones: a writer that wrote them as they came would scramble its stream.
std::size_t slowly(std::size_t i) {
  std::this_thread::sleep_for(std::chrono::microseconds((i * 7919) % 5 * 200));
  return i * 10;
}

TEST(OrderedParts, EveryPartIsUsedOnceInOrderWhateverTheThreads) {
  struct Case {
    std::size_t count;
    int threads;
  };
  for (const Case c : {Case{0, 2}, Case{1, 4}, Case{7, 1}, Case{40, 2}, Case{40, 8}, Case{3, 0}}) {
    std::vector<std::size_t> used;
    makeInOrder<std::size_t>(c.count, c.threads, slowly, [&](std::size_t i, std::size_t& part) {
      EXPECT_EQ(part, i * 10);
      used.push_back(i);
    });
    ASSERT_EQ(used.size(), c.count) << c.count << " parts on " << c.threads;
    for (std::size_t i = 0; i < used.size(); ++i) EXPECT_EQ(used[i], i);
  }
}

// A failure on any thread reaches the caller; no part from the failed one on is
// used, and nothing waits forever for a part that will never come.
TEST(OrderedParts, TheFirstFailureStopsTheWorkAndIsRethrown) {
  for (int threads : {1, 2, 4}) {
    std::vector<std::size_t> used;
    const auto failingMake = [](std::size_t i) {
      if (i == 5) throw std::runtime_error("part 5");
      return slowly(i);
    };
    try {
      makeInOrder<std::size_t>(30, threads, failingMake,
                               [&](std::size_t i, std::size_t&) { used.push_back(i); });
      ADD_FAILURE() << "no exception on " << threads;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()), "part 5");
    }
    ASSERT_LE(used.size(), 5u) << threads;
    for (std::size_t i = 0; i < used.size(); ++i) EXPECT_EQ(used[i], i);

    // The user of the parts fails (a full disk): no further part is used.
    used.clear();
    EXPECT_THROW(makeInOrder<std::size_t>(30, threads, slowly,
                                          [&](std::size_t i, std::size_t&) {
                                            used.push_back(i);
                                            if (i == 2) throw std::runtime_error("disk full");
                                          }),
                 std::runtime_error);
    EXPECT_EQ(used, (std::vector<std::size_t>{0, 1, 2})) << threads;
  }
}

}  // namespace
}  // namespace snaprill
