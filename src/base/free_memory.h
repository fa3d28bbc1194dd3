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

// Makes the allocator give every block of a megabyte or more a mapping of its own,
// returned to the system the moment the block is freed, instead of raising that
// threshold as large blocks are freed. For a program that reads one picture after
// another: each would otherwise leave its buffers in the heap beside the next.
// Costs a fresh mapping, and its page faults, per large block.
void returnLargeBlocksWhenFreed() noexcept;

}  // namespace snaprill
