// Work cut into parts that are made side by side on several processors and used
// one after the other, in their order: a compressed stream made in pieces and
// written front to back, as the PNG and JPEG writers make theirs.
//
// Safe to call from any thread; it keeps no state between calls.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "base/worker_thread.h"

namespace snaprill {

// Makes parts 0 .. count-1 with make(i) on up to `threads` threads, the caller's
// included (never more threads than parts), and hands each to use(i, part) on the
// caller's thread, in order, as soon as it and all before it are made: a few parts
// are held at a time, not all of them. `make` runs on several threads at once and
// must touch nothing shared but what it only reads. Where no thread can be had, the
// caller makes every part itself. The first exception from make or use stops the
// taking of further parts and is rethrown once every thread has stopped; use is
// then called no more.
template <class Part>
void makeInOrder(std::size_t count, int threads, const std::function<Part(std::size_t)>& make,
                 const std::function<void(std::size_t, Part&)>& use) {
  struct Slot {
    std::optional<Part> part;
    std::atomic<bool> made{false};
  };
  std::vector<Slot> slots(count);
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  std::mutex errorLock;
  std::exception_ptr error;
  const auto fail = [&] {
    const std::lock_guard<std::mutex> hold(errorLock);
    if (!error) error = std::current_exception();
    stop.store(true);
  };
  // Makes the next part not yet taken; false when there is none, or after a failure.
  const auto makeOne = [&] {
    if (stop.load()) return false;
    const std::size_t i = next.fetch_add(1);
    if (i >= count) return false;
    try {
      slots[i].part.emplace(make(i));
    } catch (...) {
      fail();
    }
    // Marked also after a failure: whoever waits for this part must wake.
    slots[i].made.store(true, std::memory_order_release);
    slots[i].made.notify_all();
    return true;
  };
  {
    // Declared after what they use, so joined before it goes.
    const std::size_t helperCount =
        std::min(count, static_cast<std::size_t>(std::max(threads, 1))) - (count > 0 ? 1 : 0);
    std::vector<WorkerThread> helpers(helperCount);
    for (WorkerThread& helper : helpers) {
      if (!helper.start([&] {
            while (makeOne()) {
            }
          })) {
        break;
      }
    }
    std::size_t used = 0;
    while (used < count && !stop.load()) {
      Slot& slot = slots[used];
      if (!slot.made.load(std::memory_order_acquire)) {
        // Rather than wait, make a part of the caller's own.
        if (makeOne()) continue;
        slot.made.wait(false, std::memory_order_acquire);
      }
      if (!slot.part) break;  // its make failed
      try {
        use(used, *slot.part);
      } catch (...) {
        fail();
        break;
      }
      slot.part.reset();
      ++used;
    }
  }
  if (error) std::rethrow_exception(error);
}

}  // namespace snaprill
