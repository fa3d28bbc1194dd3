#include "platform/pixel_buffer.h"

#include <sys/mman.h>

#include <cstdlib>

namespace snaprill {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

void* allocatePixels(std::size_t bytes) {
  if (bytes >= kHugePage) {
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    if (void* p = std::aligned_alloc(kHugePage, rounded)) {
      ::madvise(p, rounded, MADV_HUGEPAGE);  // only a hint: failure changes nothing
      return p;
    }
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(bytes == 0 ? 1 : bytes)) return p;
  throw std::bad_alloc();
}

void freePixels(void* p) noexcept {
  std::free(p);
}

}  // namespace snaprill
