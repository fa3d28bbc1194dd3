#include "platform/services.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace snaprill {

void TrayIconRecord::setTip(const std::string& text) {
  std::size_t n = std::min(text.size(), kTipBytes - 1);
  // Step back over continuation bytes so a character is never cut in half.
  if (n < text.size()) {
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0u) == 0x80u) --n;
  }
  tipField.fill('\0');
  std::memcpy(tipField.data(), text.data(), n);
}

std::string TrayIconRecord::tip() const {
  return std::string(tipField.data());
}

LocalTime SystemClock::now() const {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace snaprill
