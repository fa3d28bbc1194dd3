#include <gtest/gtest.h>

#include <cstdint>

#include "options/setting_text.h"

namespace snaprill {
namespace {

TEST(SettingsInt, DecimalHexadecimalAndJunk) {
  EXPECT_EQ(parseSettingsInt("0x7A"), 122);
  EXPECT_EQ(parseSettingsInt("0X7a"), 122);
  EXPECT_EQ(parseSettingsInt("0xFFFFFFFF"), -1);
  EXPECT_EQ(parseSettingsInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(parseSettingsInt("+15"), 15);
  EXPECT_EQ(parseSettingsInt("007"), 7);
  for (const char* bad : {"", "0x", "-", "12abc", "1 2", "2147483648", "-2147483649", "0x100000000",
                          "0xG1", "$7A", "1e3", " 5"}) {
    EXPECT_FALSE(parseSettingsInt(bad).has_value()) << bad;
  }
}

}  // namespace
}  // namespace snaprill
