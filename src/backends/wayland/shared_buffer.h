// The shared memory a compositor copies one output's picture into, as a wl_buffer.
#pragma once

#include <cstddef>
#include <cstdint>

struct wl_shm;
struct wl_buffer;

namespace snaprill {

class SharedBuffer {
 public:
  // `buffer()` is null when the size is unusable (no pixels, rows that do not hold
  // the width, more than a bitmap may hold) or the memory could not be had.
  SharedBuffer(wl_shm* shm, std::uint32_t format, int width, int height, int stride);
  ~SharedBuffer();
  SharedBuffer(const SharedBuffer&) = delete;
  SharedBuffer& operator=(const SharedBuffer&) = delete;

  wl_buffer* buffer() const { return buffer_; }
  const std::uint8_t* pixels() const { return pixels_; }

 private:
  std::size_t size_ = 0;
  int fd_ = -1;
  std::uint8_t* pixels_ = nullptr;
  wl_buffer* buffer_ = nullptr;
};

}  // namespace snaprill
