// Storage for pixels. Screen-sized pictures are tens of megabytes and every capture
// gets fresh memory, so with 4 KiB pages a large share of a capture's cost is page
// faults. Buffers of 2 MiB and more are aligned to 2 MiB and marked for transparent
// huge pages, which cuts those faults by a factor of 512 where the kernel allows it,
// and the last two such buffers freed are kept for the next capture (see
// pixel_buffer.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace snaprill {

template <typename T>
struct PixelAllocator {
  using value_type = T;
  PixelAllocator() = default;
  template <typename U>
  PixelAllocator(const PixelAllocator<U>&) noexcept {}

  T* allocate(std::size_t n);
  void deallocate(T* p, std::size_t) noexcept;
  // Elements made without a value are left unset: a buffer is sized first and its
  // pixels written after (Bitmap clears it where a blank picture is wanted).
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }

  friend bool operator==(const PixelAllocator&, const PixelAllocator&) { return true; }
};

// Memory for pixels, not cleared. freePixels must be given the size asked for.
void* allocatePixels(std::size_t bytes);
void freePixels(void* p, std::size_t bytes) noexcept;
// Frees the buffers kept for the next capture, for when none is expected soon: pages
// marked free-when-needed still count as the program's own until the kernel takes
// them. Returns how many bytes were freed.
std::size_t releaseKeptPixels() noexcept;
// Whether freed screen-sized buffers are kept for the next capture (the default).
// A program that does not capture again soon keeps none, and its peak memory
// holds no buffers that no one will ask for.
void keepFreedPixels(bool keep) noexcept;
// How many bytes the kept buffers hold now.
std::size_t keptPixelBytes() noexcept;

template <typename T>
T* PixelAllocator<T>::allocate(std::size_t n) {
  if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
  return static_cast<T*>(allocatePixels(n * sizeof(T)));
}

template <typename T>
void PixelAllocator<T>::deallocate(T* p, std::size_t n) noexcept {
  freePixels(p, n * sizeof(T));
}

using PixelBuffer = std::vector<std::uint8_t, PixelAllocator<std::uint8_t>>;

}  // namespace snaprill
