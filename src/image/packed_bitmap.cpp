#include "image/packed_bitmap.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace snaprill {

namespace {

// Each code is a word: what follows in its top two bits, a count below them.
enum Op : std::uint32_t {
  kLiteral = 0,   // `count` words follow, as they are
  kRun = 1,       // one word follows, `count` times
  kSameRows = 2,  // `count` rows each as the row above
};
constexpr std::uint32_t kMaxCount = (std::uint32_t{1} << 30) - 1;
// No count of words in a row, nor of rows, comes near it.
static_assert(kMaxBitmapBytes / 4 <= kMaxCount);
// Shorter runs cost more as a run than inside a literal stretch.
constexpr std::size_t kShortestRun = 3;

std::uint32_t code(Op op, std::size_t count) {
  return op << 30 | static_cast<std::uint32_t>(count);
}

// Rows are whole words (every format pads its rows to four bytes); read through
// memcpy, since the pixel bytes are not words to the language.
std::uint32_t wordAt(const std::uint8_t* row, std::size_t i) {
  std::uint32_t w;
  std::memcpy(&w, row + i * 4, 4);
  return w;
}

class Packer {
 public:
  explicit Packer(std::vector<std::uint32_t>& codes) : codes_(codes) {}

  void sameRow() {
    // Added to the rows counted just before, when the code before is theirs.
    if (lastSameRows_) {
      ++codes_.back();
    } else {
      codes_.push_back(code(kSameRows, 1));
      lastSameRows_ = true;
    }
  }

  void row(const std::uint8_t* row, std::size_t words) {
    lastSameRows_ = false;
    std::size_t i = 0;
    while (i < words) {
      const std::uint32_t w = wordAt(row, i);
      std::size_t end = i + 1;
      while (end < words && wordAt(row, end) == w) ++end;
      if (end - i >= kShortestRun) {
        run(w, end - i);
        i = end;
        continue;
      }
      // A literal stretch, up to the next run worth its code.
      while (end < words && !runAt(row, end, words)) ++end;
      literal(row, i, end);
      i = end;
    }
  }

 private:
  static bool runAt(const std::uint8_t* row, std::size_t i, std::size_t words) {
    if (words - i < kShortestRun) return false;
    const std::uint32_t w = wordAt(row, i);
    return wordAt(row, i + 1) == w && wordAt(row, i + 2) == w;
  }

  void run(std::uint32_t w, std::size_t count) {
    codes_.push_back(code(kRun, count));
    codes_.push_back(w);
  }

  void literal(const std::uint8_t* row, std::size_t from, std::size_t to) {
    codes_.push_back(code(kLiteral, to - from));
    const std::size_t at = codes_.size();
    codes_.resize(at + (to - from));
    std::memcpy(codes_.data() + at, row + from * 4, (to - from) * 4);
  }

  std::vector<std::uint32_t>& codes_;
  bool lastSameRows_ = false;
};

// Fills `words` words at `out` with w: the first written, then the filled part
// copied onto what follows, doubling each time.
void fillWords(std::uint8_t* out, std::uint32_t w, std::size_t words) {
  const std::size_t bytes = words * 4;
  std::memcpy(out, &w, 4);
  for (std::size_t filled = 4; filled < bytes; filled *= 2) {
    std::memcpy(out + filled, out, std::min(filled, bytes - filled));
  }
}

}  // namespace

std::optional<PackedBitmap> PackedBitmap::pack(const Bitmap& picture, std::size_t limit) {
  PackedBitmap packed;
  packed.width_ = picture.width();
  packed.height_ = picture.height();
  packed.bitsPerPixel_ = picture.bitsPerPixel();
  packed.palette_ = picture.palette();
  const std::size_t stride = picture.stride();
  Packer packer(packed.codes_);
  for (int y = 0; y < picture.height(); ++y) {
    const std::uint8_t* row = picture.row(y);
    if (y > 0 && std::memcmp(row, picture.row(y - 1), stride) == 0) {
      packer.sameRow();
    } else {
      packer.row(row, stride / 4);
    }
    if (packed.bytes() > limit) return std::nullopt;
  }
  packed.codes_.shrink_to_fit();
  return packed;
}

Bitmap PackedBitmap::unpack() const {
  Bitmap picture(width_, height_, bitsPerPixel_, Bitmap::Unfilled{});
  picture.palette() = palette_;
  const std::size_t words = picture.stride() / 4;
  std::size_t c = 0;
  std::size_t sameRows = 0;
  const auto next = [&] {
    // Only this class's own packing comes here; a short one is a fault of its own.
    if (c >= codes_.size()) throw std::logic_error("packed picture ends early");
    return codes_[c++];
  };
  for (int y = 0; y < height_; ++y) {
    std::uint8_t* row = picture.row(y);
    if (sameRows == 0 && c < codes_.size() && codes_[c] >> 30 == kSameRows) {
      sameRows = next() & kMaxCount;
    }
    if (sameRows > 0) {
      std::memcpy(row, picture.row(y - 1), words * 4);
      --sameRows;
      continue;
    }
    for (std::size_t i = 0; i < words;) {
      const std::uint32_t head = next();
      const std::size_t count = std::min<std::size_t>(head & kMaxCount, words - i);
      if (head >> 30 == kRun) {
        fillWords(row + i * 4, next(), count);
      } else {
        if (codes_.size() - c < count) throw std::logic_error("packed picture ends early");
        std::memcpy(row + i * 4, codes_.data() + c, count * 4);
        c += count;
      }
      i += count;
    }
  }
  return picture;
}

std::size_t PackedBitmap::bytes() const {
  return codes_.size() * sizeof(std::uint32_t) + palette_.size() * sizeof(Rgb);
}

}  // namespace snaprill
