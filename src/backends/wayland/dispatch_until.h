// Waiting for a compositor's answer without waiting for ever: a frame it never
// answers (an output that is off and never redrawn, a compositor that stalls) would
// otherwise hold the program's window frozen, and no other way of taking the
// picture would be tried.
#pragma once

#include <chrono>

struct wl_display;

namespace snaprill {

// How long a compositor may take over one answer of a picture: far beyond what a
// busy one needs for a screen, short enough that the user is not left wondering.
inline constexpr std::chrono::milliseconds kCompositorAnswerTime{5000};

// Reads and dispatches the events that come before `deadline`. False when the
// connection failed or nothing came in time.
bool dispatchUntil(wl_display* display, std::chrono::steady_clock::time_point deadline);

// Dispatches until `done()` holds, the connection fails, or `answerTime` has passed.
template <class Done>
void dispatchWhileWaiting(wl_display* display, std::chrono::milliseconds answerTime, Done done) {
  const auto deadline = std::chrono::steady_clock::now() + answerTime;
  while (!done() && dispatchUntil(display, deadline)) {
  }
}

}  // namespace snaprill
