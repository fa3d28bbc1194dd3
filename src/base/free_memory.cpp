#include "base/free_memory.h"

#include <cstdlib>  // defines __GLIBC__ where glibc is the C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace snaprill {

void returnFreeMemoryToSystem() noexcept {
#if defined(__GLIBC__)
  // Every arena, and whole free pages inside them too, not only each heap's top.
  ::malloc_trim(0);
#endif
}

void returnLargeBlocksWhenFreed() noexcept {
#if defined(__GLIBC__)
  // A value set by hand stays: glibc then does not raise it as large blocks are freed.
  ::mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
}

}  // namespace snaprill
