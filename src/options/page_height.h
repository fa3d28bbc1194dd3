// The window's client height says whether its option pages are shown: the same rule
// for the Advanced Options link, the window's own reactions and the "Advanced" key
// of the settings files.
#pragma once

#include "options/options.h"

namespace snaprill {

inline constexpr int kPagesExpandedHeight = 348;
inline constexpr int kPagesCollapsedHeight = 99;
// At most this client height the option pages count as collapsed.
inline constexpr int kPagesCollapsedLimit = 120;

inline bool optionPagesShown(const Options& options) {
  return options.value(Option::clientHeight) > kPagesCollapsedLimit;
}

// The Advanced Options link: expands collapsed pages, collapses shown ones.
inline void toggleOptionPagesHeight(Options& options) {
  options.setValue(Option::clientHeight,
                   optionPagesShown(options) ? kPagesCollapsedHeight : kPagesExpandedHeight);
}

}  // namespace snaprill
