#include "platform/capture_source.h"

#include <array>
#include <utility>

namespace snaprill {
namespace {

constexpr std::array<std::pair<CaptureOrigin, std::string_view>, 6> kStoredNames{{
    {CaptureOrigin::Clipboard, "clipboard"},
    {CaptureOrigin::ScreenKey, "screen-key"},
    {CaptureOrigin::WindowKey, "window-key"},
    {CaptureOrigin::Automation, "automation"},
    {CaptureOrigin::Command, "command"},
    {CaptureOrigin::Batch, "batch"},
}};

}  // namespace

std::string_view storedName(CaptureOrigin origin) {
  for (const auto& [value, name] : kStoredNames) {
    if (value == origin) return name;
  }
  return "clipboard";
}

std::optional<CaptureOrigin> originFromStoredName(std::string_view name) {
  for (const auto& [value, stored] : kStoredNames) {
    if (stored == name) return value;
  }
  return std::nullopt;
}

}  // namespace snaprill
