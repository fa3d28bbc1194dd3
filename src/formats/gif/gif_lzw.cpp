#include "formats/gif/gif_lzw.h"

#include <algorithm>
#include <memory>

#include "formats/format_error.h"
#include "formats/gif/gif_image.h"

namespace snaprill {

void GifBlockWriter::flushBlock() {
  block_[0] = static_cast<std::uint8_t>(count_);
  out_.write(block_, count_ + 1);
  count_ = 0;
}

namespace {

constexpr int kMaxWidth = 12;
constexpr std::uint32_t kClearAt = 4095;

// The string table: (prefix code, index) -> code. Any exact map gives the same
// output; this one is a direct table (one load per pixel) that forgets only the
// entries it made when it is cleared.
class StringTable {
 public:
  StringTable() : codes_(std::size_t{4096} * 256, 0) { made_.reserve(4096); }
  static std::uint32_t key(std::uint32_t prefix, std::uint32_t index) {
    return prefix << 8 | index;
  }
  // The code of key, or 0 (never a table code) when there is none.
  std::uint16_t find(std::uint32_t k) const { return codes_[k]; }
  void insert(std::uint32_t k, std::uint32_t code) {
    codes_[k] = static_cast<std::uint16_t>(code);
    made_.push_back(k);
  }
  void clear() {
    for (std::uint32_t k : made_) codes_[k] = 0;
    made_.clear();
  }

 private:
  std::vector<std::uint16_t> codes_;
  std::vector<std::uint32_t> made_;
};

class CodeWriter {
 public:
  CodeWriter(GifBlockWriter& writer, int m) : writer_(writer), m_(m), width_(m + 1) {}
  void write(std::uint32_t code, std::uint32_t nextFree) {
    bits_ |= std::uint64_t{code} << count_;
    count_ += width_;
    while (count_ >= 8) {
      writer_.put(static_cast<std::uint8_t>(bits_));
      bits_ >>= 8;
      count_ -= 8;
    }
    if (clearPending_) {
      width_ = m_ + 1;
      clearPending_ = false;
    } else if (nextFree > (1u << width_) - 1 && width_ < kMaxWidth) {
      ++width_;
    }
  }
  void writeClear(std::uint32_t nextFree) {
    clearPending_ = true;
    write(1u << m_, nextFree);
  }
  void flush() {
    if (count_ > 0) writer_.put(static_cast<std::uint8_t>(bits_));
    bits_ = 0;
    count_ = 0;
  }

 private:
  GifBlockWriter& writer_;
  int m_;
  int width_;
  bool clearPending_ = false;
  std::uint64_t bits_ = 0;
  int count_ = 0;
};

[[noreturn]] void colorNotInTable() {
  throw FormatError(FormatErrorKind::ColourNotInTable);
}

}  // namespace

void LzwEncoder::encode(const std::uint8_t* indexes, int width, int height, std::size_t stride,
                        int colors, int m, GifBlockWriter& writer) {
  const std::uint32_t clear = 1u << m;
  const std::uint32_t end = clear + 1;
  const std::uint32_t first = clear + 2;
  auto table = std::make_unique<StringTable>();
  CodeWriter codes(writer, m);
  std::uint32_t next = first;
  codes.writeClear(next);
  if (width > 0 && height > 0) {
    const auto limit = static_cast<unsigned>(colors);
    if (indexes[0] >= limit) colorNotInTable();
    std::uint32_t prefix = indexes[0];
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* row = indexes + static_cast<std::size_t>(y) * stride;
      for (int x = y == 0 ? 1 : 0; x < width; ++x) {
        const std::uint32_t p = row[x];
        if (p >= limit) colorNotInTable();
        const std::uint32_t key = StringTable::key(prefix, p);
        if (const std::uint16_t code = table->find(key)) {
          prefix = code;
          continue;
        }
        codes.write(prefix, next);
        prefix = p;
        if (next >= kClearAt) {
          codes.writeClear(next);
          table->clear();
          next = first;
        } else {
          table->insert(key, next);
          ++next;
        }
      }
    }
    codes.write(prefix, next);
  }
  codes.write(end, next);
  codes.flush();
}

}  // namespace snaprill
