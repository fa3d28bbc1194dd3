// Work nobody waits for, run only when the processor has nothing else to do.
#pragma once

namespace snaprill {

// Lowers the calling thread to idle priority: SCHED_IDLE, and nice 19 where that is
// refused. Threads and processes started from it afterwards inherit it.
void lowerThreadPriority();

}  // namespace snaprill
