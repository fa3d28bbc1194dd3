#include "formats/zlib/inflate_tables.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace snaprill::inflate {

namespace {

// The base and extra bits of lengths 257..285 and distances 0..29.
struct Bases {
  std::uint16_t lengthBase[29];
  std::uint8_t lengthExtra[29];
  std::uint16_t distanceBase[30];
  std::uint8_t distanceExtra[30];
};

constexpr Bases makeBases() {
  Bases b{};
  unsigned base = 3;
  for (unsigned i = 0; i < 28; ++i) {
    const unsigned extra = i < 8 ? 0 : (i - 4) / 4;
    b.lengthBase[i] = static_cast<std::uint16_t>(base);
    b.lengthExtra[i] = static_cast<std::uint8_t>(extra);
    base += 1u << extra;
  }
  b.lengthBase[28] = 258;  // not 259: the last length has its own code
  base = 1;
  for (unsigned i = 0; i < 30; ++i) {
    const unsigned extra = i < 4 ? 0 : (i - 2) / 2;
    b.distanceBase[i] = static_cast<std::uint16_t>(base);
    b.distanceExtra[i] = static_cast<std::uint8_t>(extra);
    base += 1u << extra;
  }
  return b;
}
constexpr Bases kBases = makeBases();

constexpr std::array<std::uint8_t, 256> makeReversedBytes() {
  std::array<std::uint8_t, 256> r{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned v = 0;
    for (unsigned b = 0; b < 8; ++b) v |= (i >> b & 1u) << (7 - b);
    r[i] = static_cast<std::uint8_t>(v);
  }
  return r;
}
constexpr std::array<std::uint8_t, 256> kReversedBytes = makeReversedBytes();

// Huffman codes are packed starting with their most significant bit, the bit reader takes the
// least significant bit first: tables are indexed by reversed codes.
unsigned reversed(unsigned code, unsigned length) {
  const unsigned r = unsigned{kReversedBytes[code & 0xFF]} << 8 | kReversedBytes[code >> 8 & 0xFF];
  return r >> (16 - length);
}

}  // namespace

std::uint32_t literalLengthEntry(unsigned symbol, unsigned codeLength) {
  if (symbol < 256) return makeEntry(symbol, kLiteral, codeLength, 0);
  if (symbol == 256) return makeEntry(0, kEndOfBlock, codeLength, 0);
  if (symbol < 286)
    return makeEntry(kBases.lengthBase[symbol - 257], 0, codeLength,
                     kBases.lengthExtra[symbol - 257]);
  return makeEntry(0, kInvalid, codeLength, 0);  // 286 and 287 of the fixed code
}

std::uint32_t distanceEntry(unsigned symbol, unsigned codeLength) {
  if (symbol < 30)
    return makeEntry(kBases.distanceBase[symbol], 0, codeLength, kBases.distanceExtra[symbol]);
  return makeEntry(0, kInvalid, codeLength, 0);  // 30 and 31 of the fixed code
}

std::uint32_t codeLengthEntry(unsigned symbol, unsigned codeLength) {
  return makeEntry(symbol, 0, codeLength, 0);
}

bool buildTable(const std::uint8_t* lengths, unsigned count, unsigned tableBits,
                std::uint32_t* table, std::size_t capacity, bool allowIncomplete,
                MakeEntry makeSymbolEntry) {
  unsigned perLength[kMaxCodeLength + 1] = {};
  for (unsigned i = 0; i < count; ++i) ++perLength[lengths[i]];
  perLength[0] = 0;
  int left = 1;  // codes of the current length not yet taken
  unsigned longest = 0;
  for (unsigned len = 1; len <= kMaxCodeLength; ++len) {
    left = 2 * left - static_cast<int>(perLength[len]);
    if (left < 0) return false;
    if (perLength[len] != 0) longest = len;
  }
  const std::size_t primary = std::size_t{1} << tableBits;
  if (left > 0) {
    if (!allowIncomplete || longest > 1) return false;
    std::fill(table, table + primary, makeEntry(0, kInvalid, 1, 0));
  }

  // Symbols ordered by code length, then by value: the order of their codes.
  unsigned offset[kMaxCodeLength + 2] = {};
  for (unsigned len = 1; len <= kMaxCodeLength; ++len)
    offset[len + 1] = offset[len] + perLength[len];
  const unsigned coded = offset[kMaxCodeLength + 1];
  std::uint16_t sorted[288];
  for (unsigned i = 0; i < count; ++i)
    if (lengths[i] != 0) sorted[offset[lengths[i]]++] = static_cast<std::uint16_t>(i);

  unsigned nextCode[kMaxCodeLength + 1] = {};
  unsigned code = 0;
  for (unsigned len = 1; len <= kMaxCodeLength; ++len) {
    code = (code + perLength[len - 1]) << 1;
    nextCode[len] = code;
  }

  unsigned remaining[kMaxCodeLength + 1];
  std::copy(std::begin(perLength), std::end(perLength), remaining);
  std::size_t used = primary;
  std::size_t subStart = 0;
  unsigned subBits = 0;
  std::size_t currentPrefix = primary;  // none yet
  for (unsigned k = 0; k < coded; ++k) {
    const unsigned symbol = sorted[k];
    const unsigned len = lengths[symbol];
    const unsigned rev = reversed(nextCode[len]++, len);
    const std::uint32_t e = makeSymbolEntry(symbol, len);
    if (len <= tableBits) {
      for (std::size_t i = rev; i < primary; i += std::size_t{1} << len) table[i] = e;
    } else {
      const std::size_t prefix = rev & (primary - 1);
      if (prefix != currentPrefix) {
        // Codes sharing their first tableBits bits are consecutive. Their sub-table is as
        // deep as the longest of them: shorter codes fill its room first.
        subBits = len - tableBits;
        int room = 1 << subBits;
        for (unsigned l = len;;) {
          room -= static_cast<int>(remaining[l]);
          if (room <= 0 || l == kMaxCodeLength) break;
          ++l;
          ++subBits;
          room *= 2;
        }
        if (used + (std::size_t{1} << subBits) > capacity) return false;
        subStart = used;
        used += std::size_t{1} << subBits;
        table[prefix] = makeEntry(static_cast<std::uint32_t>(subStart), kSubTable, subBits, 0);
        currentPrefix = prefix;
      }
      for (std::size_t i = rev >> tableBits; i < (std::size_t{1} << subBits);
           i += std::size_t{1} << (len - tableBits))
        table[subStart + i] = e;
    }
    --remaining[len];
  }
  return true;
}

FixedTables::FixedTables() {
  std::uint8_t lengths[288];
  std::fill(lengths, lengths + 144, 8);
  std::fill(lengths + 144, lengths + 256, 9);
  std::fill(lengths + 256, lengths + 280, 7);
  std::fill(lengths + 280, lengths + 288, 8);
  buildTable(lengths, 288, kLiteralBits, literals, kLiteralEntries, false, literalLengthEntry);
  std::fill(lengths, lengths + 32, 5);
  buildTable(lengths, 32, kDistanceBits, distances, kDistanceEntries, false, distanceEntry);
}

const FixedTables& fixedTables() {
  static const FixedTables tables;
  return tables;
}

}  // namespace snaprill::inflate
