// The kind of the error a piece of work raised, caught as its layer's one error type:
// what callers decide by, so tests check it beside the text.
#pragma once

#include <optional>
#include <utility>

namespace snaprill::testing {

// Error's kind, or nothing when work raised no Error (anything else passes through).
template <class Error, class Work>
auto errorKind(Work&& work) -> std::optional<decltype(std::declval<const Error&>().kind())> {
  try {
    std::forward<Work>(work)();
  } catch (const Error& e) {
    return e.kind();
  }
  return std::nullopt;
}

}  // namespace snaprill::testing
