#include "formats/png/png_idat_writer.h"

#include <algorithm>

#include "formats/png/png_crc.h"
#include "formats/png/png_image.h"

namespace snaprill::png {

void writeChunk(ByteSink& out, const char type[4], const std::uint8_t* data, std::size_t size) {
  const auto length = static_cast<std::uint32_t>(size);
  const std::uint8_t head[8] = {
      static_cast<std::uint8_t>(length >> 24), static_cast<std::uint8_t>(length >> 16),
      static_cast<std::uint8_t>(length >> 8),  static_cast<std::uint8_t>(length),
      static_cast<std::uint8_t>(type[0]),      static_cast<std::uint8_t>(type[1]),
      static_cast<std::uint8_t>(type[2]),      static_cast<std::uint8_t>(type[3])};
  out.write(head, sizeof head);
  if (size > 0) out.write(data, size);
  out.put32be(pngChunkCrc(type, data, size));
}

IdatSlices::IdatSlices(ByteSink& out) : out_(out), buffer_(kPngMaxIdatSize) {}

void IdatSlices::write(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const std::size_t n = std::min(size, buffer_.size() - used_);
    std::copy_n(bytes, n, buffer_.data() + used_);
    used_ += n;
    bytes += n;
    size -= n;
    if (used_ == buffer_.size()) {
      writeChunk(out_, "IDAT", buffer_.data(), used_);
      used_ = 0;
    }
  }
}

void IdatSlices::finish() {
  if (used_ > 0) writeChunk(out_, "IDAT", buffer_.data(), used_);
  used_ = 0;
}

}  // namespace snaprill::png
