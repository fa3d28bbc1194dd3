// Handing memory the program no longer uses back to the system.
#pragma once

namespace snaprill {

// Has the allocator return the free memory it holds to the system. glibc keeps
// freed blocks for reuse: after a large block has been freed, it serves later
// large requests from its heap rather than from fresh mappings, and a heap gives
// memory back only from its top, and only beyond a threshold that grows with the
// largest block seen. Screen-sized captures would otherwise stay in the program's
// resident memory for the rest of its run. Costs a walk over the heap: for idle
// moments, not for every free. Does nothing with other allocators.
void returnFreeMemoryToSystem() noexcept;

}  // namespace snaprill
