// One zlib stream written as consecutive IDAT chunks while it is produced: the
// deflate output buffer holds kPngMaxIdatSize bytes, and every time it fills it
// becomes one IDAT chunk of exactly that size; finish() writes the rest (1 to
// kPngMaxIdatSize bytes) as the last one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <zlib.h>

#include "base/byte_sink.h"

namespace snaprill::png {

// Writes one chunk: length, type, data, CRC.
void writeChunk(ByteSink& out, const char type[4], const std::uint8_t* data, std::size_t size);

class IdatWriter {
 public:
  // level 0..9; window bits 15, memory level 8, default strategy.
  IdatWriter(ByteSink& out, int level);
  ~IdatWriter();
  IdatWriter(const IdatWriter&) = delete;
  IdatWriter& operator=(const IdatWriter&) = delete;

  void feed(const std::uint8_t* data, std::size_t size);
  // Ends the stream and writes what is left. Feed nothing afterwards.
  void finish();

 private:
  void emit(std::size_t size);

  ByteSink& out_;
  z_stream stream_{};
  std::vector<std::uint8_t> buffer_;
};

}  // namespace snaprill::png
