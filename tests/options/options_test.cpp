#include "options/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace snaprill {
namespace {

// The window, the capture cycle and the settings all watch the same options; one
// watcher must never displace another, and a watcher that changes options (the
// prefix cleaning its own field) must not upset the others.
TEST(OptionWatchers, EveryWatcherHearsEachChangeInTheOrderTheyCame) {
  Options options;
  std::vector<std::string> heard;
  options.watch(Option::filePrefix, [&] { heard.push_back("cycle"); });
  const Options::WatchId window = options.watch(
      Option::filePrefix, [&] { heard.push_back("window:" + options.text(Option::filePrefix)); });
  options.setText(Option::filePrefix, "abc");
  options.setText(Option::filePrefix, "abc");  // no change, nobody hears
  EXPECT_EQ(heard, (std::vector<std::string>{"cycle", "window:abc"}));

  options.unwatch(window);
  heard.clear();
  options.setText(Option::filePrefix, "x");
  EXPECT_EQ(heard, std::vector<std::string>{"cycle"});
}

TEST(OptionWatchers, AWatcherMayChangeItsOwnOptionAndRemoveOthers) {
  Options options;
  int later = 0;
  Options::WatchId laterId{};
  // Cuts the prefix back to its first letter, as a cleaning reaction does; the
  // nested change tells every watcher once more before the outer one goes on.
  options.watch(Option::filePrefix, [&] {
    const std::string& text = options.text(Option::filePrefix);
    if (text.size() > 1) options.setText(Option::filePrefix, text.substr(0, 1));
    options.unwatch(laterId);
  });
  laterId = options.watch(Option::filePrefix, [&] { ++later; });
  options.setText(Option::filePrefix, "long");
  EXPECT_EQ(options.text(Option::filePrefix), "l");
  EXPECT_EQ(later, 0);  // removed before its turn came, in both rounds
}

TEST(OptionValues, EachKindKeepsItsRange) {
  Options options;
  options.setValue(Option::automationPeriod, 99999999);
  EXPECT_EQ(options.value(Option::automationPeriod), 35791);
  options.setValue(Option::textPosition, 6);  // past the list: no selection
  EXPECT_EQ(options.value(Option::textPosition), -1);
  options.setValue(Option::cropLeft, -30);
  EXPECT_EQ(options.value(Option::cropLeft), 0);
  options.setValue(Option::screenKey, 0x1234567B);
  EXPECT_EQ(options.value(Option::screenKey), 0x567B);
  options.setText(Option::captureText, std::string(50, 'e') + "\xC3\xA9");
  EXPECT_EQ(options.text(Option::captureText), std::string(40, 'e'));
}

}  // namespace
}  // namespace snaprill
