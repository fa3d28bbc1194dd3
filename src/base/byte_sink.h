// The base layer holds the plumbing every other layer shares: byte sinks, error
// types, little-endian loads, worker threads, callback lists and text helpers.
//
// Where encoders put their bytes: a file being written, or memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace snaprill {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Appends bytes; throws (FileError for files) when they cannot be stored.
  virtual void write(const void* data, std::size_t size) = 0;
  void write(const std::vector<std::uint8_t>& bytes) { write(bytes.data(), bytes.size()); }
  void put8(std::uint8_t v) { write(&v, 1); }
  void put16le(std::uint16_t v);
  void put32le(std::uint32_t v);
  void put16be(std::uint16_t v);
  void put32be(std::uint32_t v);
};

class MemorySink : public ByteSink {
 public:
  void write(const void* data, std::size_t size) override;
  std::vector<std::uint8_t> bytes;
};

}  // namespace snaprill
