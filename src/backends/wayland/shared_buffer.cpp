#include "backends/wayland/shared_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

#include <wayland-client-protocol.h>

#include "image/bitmap.h"

namespace snaprill {

SharedBuffer::SharedBuffer(wl_shm* shm, std::uint32_t format, int width, int height, int stride) {
  if (width <= 0 || height <= 0 || stride / 4 < width) return;
  size_ = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
  // The pool's size travels as a signed 32-bit number.
  if (size_ > kMaxBitmapBytes || size_ > INT32_MAX) return;
  fd_ = memfd_create("snaprill-screen", MFD_CLOEXEC);
  if (fd_ < 0 || ftruncate(fd_, static_cast<off_t>(size_)) != 0) return;
  void* pixels = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
  if (pixels == MAP_FAILED) return;
  pixels_ = static_cast<std::uint8_t*>(pixels);
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd_, static_cast<std::int32_t>(size_));
  buffer_ = wl_shm_pool_create_buffer(pool, 0, width, height, stride, format);
  wl_shm_pool_destroy(pool);
}

SharedBuffer::~SharedBuffer() {
  if (buffer_ != nullptr) wl_buffer_destroy(buffer_);
  if (pixels_ != nullptr) munmap(pixels_, size_);
  if (fd_ >= 0) close(fd_);
}

}  // namespace snaprill
