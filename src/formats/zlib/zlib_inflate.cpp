#include "formats/zlib/zlib_inflate.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>

#include "base/unaligned.h"
#include "formats/zlib/inflate_tables.h"

namespace snaprill {

namespace {

using namespace inflate;

// Deflate's bits, least significant first, from a 64-bit buffer.
struct BitReader {
  const std::uint8_t* in = nullptr;
  const std::uint8_t* end = nullptr;
  std::uint64_t bits = 0;
  unsigned count = 0;    // bits held; the bytes above them may hold the next bytes already
  unsigned overrun = 0;  // zero bytes counted in past the end of the input

  // At least 56 bits held, taken with one load; needs 8 bytes of input.
  void refillFast() {
    bits |= loadLe64(in) << count;
    in += (63 - count) >> 3;
    count |= 56;
  }

  // The same near the end of the input, where zero bytes stand in for the missing ones so
  // that decoding needs no checks of its own; false once one of them has been used, as the
  // stream was then cut short.
  bool refillSlow() {
    if (overrun * 8 > count) return false;
    while (count < 56) {
      if (in != end)
        bits |= std::uint64_t{*in++} << count;
      else
        ++overrun;
      count += 8;
    }
    return true;
  }

  bool refill() {
    if (end - in >= 8) {
      refillFast();
      return true;
    }
    return refillSlow();
  }

  void consume(unsigned n) {
    bits >>= n;
    count -= n;
  }

  // Drops the rest of the current byte and gives back the bytes held: the position of the
  // next byte, or nullptr when the stream was cut short before it.
  const std::uint8_t* align() {
    const unsigned held = count / 8;
    const std::uint8_t* position = overrun > held ? nullptr : in - (held - overrun);
    bits = 0;
    count = 0;
    overrun = 0;
    if (position != nullptr) in = position;
    return position;
  }
};

// Fast decoding needs no input checks while this many bytes are left: two refills.
constexpr std::size_t kInputMargin = 16;
// Nor output checks while this many bytes of room are left: two literals, the longest match
// and what its copy may write past its end.
constexpr std::size_t kCopySlack = 16;
constexpr std::size_t kOutputMargin = 2 + 258 + kCopySlack + 12;
// The Adler-32 is taken over the output in pieces of this size while they are still cached.
constexpr std::size_t kAdlerPiece = std::size_t{64} << 10;

// Copies a match of `length` bytes from `distance` back; may write up to kCopySlack - 1 bytes
// past its end, which later output overwrites.
inline void copyMatch(std::uint8_t* out, std::size_t distance, std::size_t length) {
  const std::uint8_t* src = out - distance;
  std::uint8_t* const end = out + length;
  if (distance >= 16) {
    // Each 16 bytes read were written before (or were there before the match).
    do {
      std::memcpy(out, src, 16);
      out += 16;
      src += 16;
    } while (out < end);
  } else if (distance == 1) {
    std::uint8_t run[16];
    std::memset(run, *src, 16);
    do {
      std::memcpy(out, run, 16);
      out += 16;
    } while (out < end);
  } else {
    // A repeating pattern shorter than 16 bytes: 16 bytes of it at a time, each write a whole
    // number of periods after the last. The pattern is filled in one loop of a fixed 16 steps
    // (the same 16 byte moves as a copy of one period and its repeats) so that the compiler
    // sees it never leaves the buffer.
    std::uint8_t pattern[16];
    for (std::size_t i = 0, j = 0; i < 16; ++i) {
      pattern[i] = src[j];
      j = j + 1 == distance ? 0 : j + 1;
    }
    const std::size_t step = 16 - 16 % distance;
    do {
      std::memcpy(out, pattern, 16);
      out += step;
    } while (out < end);
  }
}

class Inflater {
 public:
  Inflater(std::span<const std::uint8_t> input, std::uint8_t* output, std::size_t outputSize,
           std::size_t progressStep, const InflateProgress& progress)
      : inStart_(input.data()),
        inEnd_(input.data() + input.size()),
        inFastEnd_(input.size() > kInputMargin ? inEnd_ - kInputMargin : inStart_),
        outStart_(output),
        outEnd_(output + outputSize),
        outFastEnd_(outputSize > kOutputMargin ? outEnd_ - kOutputMargin : output),
        out_(output),
        adlerDone_(output),
        reported_(output),
        step_(std::max<std::size_t>(progressStep, 1)),
        progress_(progress) {
    br_.in = inStart_;
    br_.end = inEnd_;
  }

  bool run();

 private:
  bool readHeader();
  bool copyStored();
  bool readTables();
  bool decodeBlock(const std::uint32_t* literals, const std::uint32_t* distances);
  void checkpoint(std::uint8_t* out);
  void scheduleCheck();

  const std::uint8_t* const inStart_;
  const std::uint8_t* const inEnd_;
  const std::uint8_t* const inFastEnd_;
  BitReader br_;

  std::uint8_t* const outStart_;
  std::uint8_t* const outEnd_;
  std::uint8_t* const outFastEnd_;
  std::uint8_t* out_;
  std::uint8_t* checkAt_ = nullptr;  // where the Adler-32 or progress is due next
  std::uint8_t* adlerDone_;
  std::uint8_t* reported_;
  std::uint32_t adler_ = 1;
  const std::size_t step_;
  const InflateProgress& progress_;

  std::uint32_t literals_[kLiteralEntries];
  std::uint32_t distances_[kDistanceEntries];
};

void Inflater::scheduleCheck() {
  checkAt_ = adlerDone_ + std::min<std::size_t>(kAdlerPiece, outEnd_ - adlerDone_);
  if (progress_)
    checkAt_ = std::min(checkAt_, reported_ + std::min<std::size_t>(step_, outEnd_ - reported_));
}

// The output up to `out` is final: its Adler-32 is taken before anyone may rewrite it.
void Inflater::checkpoint(std::uint8_t* out) {
  if (out != adlerDone_)
    adler_ = libdeflate_adler32(adler_, adlerDone_, static_cast<std::size_t>(out - adlerDone_));
  adlerDone_ = out;
  if (progress_ && out != outEnd_ && static_cast<std::size_t>(out - reported_) >= step_) {
    reported_ = out;
    progress_(static_cast<std::size_t>(out - outStart_));
  }
  scheduleCheck();
}

bool Inflater::readHeader() {
  if (inEnd_ - inStart_ < 2) return false;
  const unsigned cmf = inStart_[0], flg = inStart_[1];
  const bool deflate = (cmf & 0x0F) == 8 && (cmf >> 4) <= 7;
  const bool presetDictionary = (flg & 0x20) != 0;
  if (!deflate || presetDictionary || (cmf << 8 | flg) % 31 != 0) return false;
  br_.in = inStart_ + 2;
  return true;
}

bool Inflater::copyStored() {
  const std::uint8_t* p = br_.align();
  if (p == nullptr || inEnd_ - p < 4) return false;
  std::size_t len = loadLe16(p);
  if (len != (~loadLe16(p + 2) & 0xFFFFu)) return false;
  p += 4;
  if (static_cast<std::size_t>(inEnd_ - p) < len || static_cast<std::size_t>(outEnd_ - out_) < len)
    return false;
  while (len > 0) {
    if (out_ >= checkAt_) checkpoint(out_);
    const std::size_t n = std::min(len, static_cast<std::size_t>(checkAt_ - out_));
    std::memcpy(out_, p, n);
    out_ += n;
    p += n;
    len -= n;
  }
  br_.in = p;
  return true;
}

bool Inflater::readTables() {
  if (!br_.refill()) return false;
  const unsigned literalCount = static_cast<unsigned>(br_.bits & 31) + 257;
  const unsigned distanceCount = static_cast<unsigned>(br_.bits >> 5 & 31) + 1;
  const unsigned codeLengthCount = static_cast<unsigned>(br_.bits >> 10 & 15) + 4;
  br_.consume(14);
  // Deflate defines 30 distance codes, and lengths up to 285; zlib refuses more.
  if (literalCount > 286 || distanceCount > 30) return false;

  static constexpr std::uint8_t kOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                              11, 4,  12, 3, 13, 2, 14, 1, 15};
  std::uint8_t codeLengthLengths[19] = {};
  for (unsigned i = 0; i < codeLengthCount; ++i) {
    if (!br_.refill()) return false;
    codeLengthLengths[kOrder[i]] = static_cast<std::uint8_t>(br_.bits & 7);
    br_.consume(3);
  }
  std::uint32_t codeLengthTable[kCodeLengthEntries];
  if (!buildTable(codeLengthLengths, 19, kCodeLengthBits, codeLengthTable, kCodeLengthEntries,
                  false, codeLengthEntry))
    return false;

  // Literal/length and distance code lengths are one sequence: a repeat may cross from one
  // into the other.
  std::uint8_t lengths[286 + 30];
  const unsigned total = literalCount + distanceCount;
  for (unsigned i = 0; i < total;) {
    if (!br_.refill()) return false;
    const std::uint32_t e = codeLengthTable[br_.bits & (kCodeLengthEntries - 1)];
    br_.consume(entryBits(e));
    const unsigned symbol = entryValue(e);
    if (symbol < 16) {
      lengths[i++] = static_cast<std::uint8_t>(symbol);
      continue;
    }
    std::uint8_t value = 0;
    unsigned repeat = 0;
    if (symbol == 16) {
      if (i == 0) return false;  // nothing to repeat
      value = lengths[i - 1];
      repeat = 3 + static_cast<unsigned>(br_.bits & 3);
      br_.consume(2);
    } else if (symbol == 17) {
      repeat = 3 + static_cast<unsigned>(br_.bits & 7);
      br_.consume(3);
    } else {
      repeat = 11 + static_cast<unsigned>(br_.bits & 127);
      br_.consume(7);
    }
    if (repeat > total - i) return false;
    std::fill(lengths + i, lengths + i + repeat, value);
    i += repeat;
  }
  if (lengths[256] == 0) return false;  // a block must be able to end
  return buildTable(lengths, literalCount, kLiteralBits, literals_, kLiteralEntries, true,
                    literalLengthEntry) &&
         buildTable(lengths + literalCount, distanceCount, kDistanceBits, distances_,
                    kDistanceEntries, true, distanceEntry);
}

// One block's symbols up to its end-of-block code. False on invalid data and on output that
// would not fit. The reader's state is kept in locals so that it stays in registers.
bool Inflater::decodeBlock(const std::uint32_t* literals, const std::uint32_t* distances) {
  BitReader br = br_;
  std::uint8_t* out = out_;
  std::uint8_t* const outStart = outStart_;
  std::uint8_t* const outEnd = outEnd_;
  const std::uint8_t* const inFastEnd = inFastEnd_;
  // Below it, neither the Adler-32 nor progress is due and there is room for a whole step:
  // one compare covers all three.
  std::uint8_t* fastLimit = std::min(checkAt_, outFastEnd_);
  bool ended = false;
  for (;;) {
    std::uint32_t e;
    if (out >= fastLimit || br.in >= inFastEnd) [[unlikely]] {
      // Near either end, or at a checkpoint: one symbol with every check.
      if (out >= checkAt_) {
        checkpoint(out);
        fastLimit = std::min(checkAt_, outFastEnd_);
      }
      if (!br.refillSlow()) break;
      e = lookup(literals, br.bits, kLiteralBits);
      if (e & kLiteral) {
        if (out == outEnd) break;
        *out++ = static_cast<std::uint8_t>(entryValue(e));
        br.consume(entryBits(e));
        continue;
      }
    } else {
      br.refillFast();
      e = lookup(literals, br.bits, kLiteralBits);
      if (e & kLiteral) {
        // Up to three literals on one refill: 56 bits hold three codes of 15 bits, and the
        // lookups need 15 bits each.
        *out++ = static_cast<std::uint8_t>(entryValue(e));
        br.consume(entryBits(e));
        e = lookup(literals, br.bits, kLiteralBits);
        if (e & kLiteral) {
          *out++ = static_cast<std::uint8_t>(entryValue(e));
          br.consume(entryBits(e));
          e = lookup(literals, br.bits, kLiteralBits);
          if (e & kLiteral) {
            *out++ = static_cast<std::uint8_t>(entryValue(e));
            br.consume(entryBits(e));
            continue;
          }
        }
        // A length and its distance take up to 48 bits; the entry looked up stays valid as
        // refilling only adds bits above those held.
        br.refillFast();
      }
    }
    if (e & (kEndOfBlock | kInvalid)) [[unlikely]] {
      ended = (e & kEndOfBlock) != 0;
      br.consume(entryBits(e));
      break;
    }
    const std::size_t length = withExtra(e, br.bits);
    br.consume(entryBits(e));
    e = lookup(distances, br.bits, kDistanceBits);
    if (e & kInvalid) [[unlikely]]
      break;
    const std::size_t distance = withExtra(e, br.bits);
    br.consume(entryBits(e));
    if (distance > static_cast<std::size_t>(out - outStart)) [[unlikely]]
      break;
    const std::size_t room = static_cast<std::size_t>(outEnd - out);
    if (room >= length + kCopySlack) [[likely]] {
      copyMatch(out, distance, length);
    } else {
      if (room < length) break;  // more output than expected
      const std::uint8_t* from = out - distance;
      for (std::size_t i = 0; i < length; ++i) out[i] = from[i];
    }
    out += length;
  }
  br_ = br;
  out_ = out;
  return ended;
}

bool Inflater::run() {
  if (!readHeader()) return false;
  scheduleCheck();
  bool last = false;
  do {
    if (!br_.refill()) return false;
    last = (br_.bits & 1) != 0;
    const unsigned type = static_cast<unsigned>(br_.bits >> 1 & 3);
    br_.consume(3);
    bool ok = false;
    if (type == 0) {
      ok = copyStored();
    } else if (type == 1) {
      const FixedTables& fixed = fixedTables();
      ok = decodeBlock(fixed.literals, fixed.distances);
    } else if (type == 2) {
      ok = readTables() && decodeBlock(literals_, distances_);
    }
    if (!ok) return false;
  } while (!last);
  const std::uint8_t* trailer = br_.align();
  if (trailer == nullptr || inEnd_ - trailer < 4 || out_ != outEnd_) return false;
  if (out_ != adlerDone_)
    adler_ = libdeflate_adler32(adler_, adlerDone_, static_cast<std::size_t>(out_ - adlerDone_));
  return adler_ == loadBe32(trailer);
}

}  // namespace

bool inflateZlib(std::span<const std::uint8_t> input, std::uint8_t* output, std::size_t outputSize,
                 std::size_t progressStep, const InflateProgress& progress) {
  Inflater inflater(input, output, outputSize, progressStep, progress);
  return inflater.run();
}

}  // namespace snaprill
