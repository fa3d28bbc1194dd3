#include "image/pixel_buffer.h"

#include <sys/mman.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <mutex>

namespace snaprill {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Buffers up to a 4K screen's capture are worth keeping.
constexpr std::size_t kLargestKept = std::size_t{64} << 20;

std::size_t roundedSize(std::size_t bytes) {
  return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

// Every capture needs the same few screen-sized buffers again, and fresh memory
// costs a fault and the clearing of every page on first touch: about a tenth of a
// capture's time. The two buffers freed last are kept for the next capture. They
// are handed back to the kernel as free-when-needed (MADV_FREE): while memory is
// plentiful their pages stay, under pressure the kernel takes them without a word.
class KeptBuffers {
 public:
  void* take(std::size_t rounded) {
    const std::lock_guard lock(mutex_);
    for (Kept& kept : kept_) {
      if (kept.pointer != nullptr && kept.bytes == rounded) {
        void* p = kept.pointer;
        kept = Kept{};
        return p;
      }
    }
    return nullptr;
  }

  bool keep(void* p, std::size_t rounded) {
    if (rounded > kLargestKept || !keeping.load(std::memory_order_relaxed)) return false;
    ::madvise(p, rounded, MADV_FREE);  // only a hint: failure changes nothing
    void* oldest = nullptr;
    {
      const std::lock_guard lock(mutex_);
      oldest = kept_[0].pointer;
      kept_[0] = kept_[1];
      kept_[1] = Kept{p, rounded};
    }
    std::free(oldest);
    return true;
  }

  std::size_t bytes() noexcept {
    const std::lock_guard lock(mutex_);
    return kept_[0].bytes + kept_[1].bytes;
  }

  std::size_t releaseAll() noexcept {
    std::array<Kept, 2> released;
    {
      const std::lock_guard lock(mutex_);
      released = kept_;
      kept_ = {};
    }
    std::size_t bytes = 0;
    for (const Kept& kept : released) {
      bytes += kept.bytes;
      std::free(kept.pointer);
    }
    return bytes;
  }

  std::atomic<bool> keeping{true};

 private:
  struct Kept {
    void* pointer = nullptr;
    std::size_t bytes = 0;
  };
  std::mutex mutex_;
  std::array<Kept, 2> kept_{};  // [0] the older, [1] the newer; either may be empty
};

KeptBuffers& keptBuffers() {
  // Never destroyed: buffers may be freed during static destruction.
  static KeptBuffers* buffers = new KeptBuffers;
  return *buffers;
}

}  // namespace

void* allocatePixels(std::size_t bytes) {
  if (bytes >= kHugePage) {
    const std::size_t rounded = roundedSize(bytes);
    if (void* p = keptBuffers().take(rounded)) return p;
    if (void* p = std::aligned_alloc(kHugePage, rounded)) {
      ::madvise(p, rounded, MADV_HUGEPAGE);  // only a hint: failure changes nothing
      return p;
    }
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(bytes == 0 ? 1 : bytes)) return p;
  throw std::bad_alloc();
}

void freePixels(void* p, std::size_t bytes) noexcept {
  if (p != nullptr && bytes >= kHugePage && keptBuffers().keep(p, roundedSize(bytes))) return;
  std::free(p);
}

std::size_t releaseKeptPixels() noexcept {
  return keptBuffers().releaseAll();
}

void keepFreedPixels(bool keep) noexcept {
  keptBuffers().keeping.store(keep, std::memory_order_relaxed);
  if (!keep) keptBuffers().releaseAll();
}

std::size_t keptPixelBytes() noexcept {
  return keptBuffers().bytes();
}

}  // namespace snaprill
