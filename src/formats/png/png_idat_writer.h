// One zlib stream written as consecutive IDAT chunks while it is produced: every
// time kPngMaxIdatSize bytes of it have come, they become one IDAT chunk of exactly
// that size; finish() writes the rest (1 to kPngMaxIdatSize bytes) as the last one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/byte_sink.h"

namespace snaprill::png {

// Writes one chunk: length, type, data, CRC.
void writeChunk(ByteSink& out, const char type[4], const std::uint8_t* data, std::size_t size);

// Takes the stream's bytes as a sink does, in pieces of any size.
class IdatSlices : public ByteSink {
 public:
  explicit IdatSlices(ByteSink& out);
  void write(const void* data, std::size_t size) override;
  // Writes what is left. Write nothing afterwards.
  void finish();

 private:
  ByteSink& out_;
  std::vector<std::uint8_t> buffer_;
  std::size_t used_ = 0;
};

}  // namespace snaprill::png
