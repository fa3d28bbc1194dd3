#include "formats/png/png_idat_writer.h"

#include <new>

#include "formats/format_error.h"
#include "formats/png/png_crc.h"

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

IdatWriter::IdatWriter(ByteSink& out, int level) : out_(out), buffer_(65535) {
  if (deflateInit2(&stream_, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::bad_alloc();
  stream_.next_out = buffer_.data();
  stream_.avail_out = static_cast<uInt>(buffer_.size());
}

IdatWriter::~IdatWriter() {
  deflateEnd(&stream_);
}

void IdatWriter::emit(std::size_t size) {
  writeChunk(out_, "IDAT", buffer_.data(), size);
  stream_.next_out = buffer_.data();
  stream_.avail_out = static_cast<uInt>(buffer_.size());
}

void IdatWriter::feed(const std::uint8_t* data, std::size_t size) {
  // zlib does not write through next_in; the cast only satisfies its C interface.
  stream_.next_in = const_cast<Bytef*>(data);
  stream_.avail_in = static_cast<uInt>(size);
  do {
    deflate(&stream_, Z_NO_FLUSH);
    if (stream_.avail_out == 0) emit(buffer_.size());
  } while (stream_.avail_in > 0);
}

void IdatWriter::finish() {
  stream_.next_in = nullptr;
  stream_.avail_in = 0;
  for (;;) {
    const int result = deflate(&stream_, Z_FINISH);
    if (stream_.avail_out == 0) emit(buffer_.size());
    if (result == Z_STREAM_END) break;
    if (result != Z_OK && result != Z_BUF_ERROR) {
      throw FormatError(FormatErrorKind::EncoderFailed, "deflate failed");
    }
  }
  const std::size_t used = buffer_.size() - stream_.avail_out;
  if (used > 0) emit(used);
}

}  // namespace snaprill::png
