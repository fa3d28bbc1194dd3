// The Huffman decoding tables of the inflater (zlib_inflate.h), built from a
// block's code lengths as RFC 1951 defines its canonical codes.
//
// Decoding tables. One 32-bit entry per slot, so that a single lookup gives a literal, or a
// length or distance together with where its extra bits are:
//   bits 0-7    bits to consume: the code's length plus its extra bits
//   bits 8-11   the code's length (where the extra bits start)
//   bits 12-15  kind
//   bits 16-31  literal byte, base length or distance, or where a sub-table starts
// A slot of the primary table whose codes are longer than the table's index links to a
// sub-table; bits 8-11 of the link are the sub-table's index bits. Entries found in a
// sub-table count the whole code, primary bits included.
#pragma once

#include <cstddef>
#include <cstdint>

namespace snaprill::inflate {

constexpr std::uint32_t kLiteral = 0x1000;
constexpr std::uint32_t kEndOfBlock = 0x2000;
constexpr std::uint32_t kSubTable = 0x4000;
constexpr std::uint32_t kInvalid = 0x8000;  // unused code, or a symbol deflate reserves

constexpr std::uint32_t makeEntry(std::uint32_t value, std::uint32_t kind, unsigned codeLength,
                                  unsigned extraBits) {
  return value << 16 | kind | codeLength << 8 | (codeLength + extraBits);
}
constexpr unsigned entryBits(std::uint32_t e) {
  return e & 0xFF;
}
constexpr unsigned entryCodeLength(std::uint32_t e) {
  return e >> 8 & 0xF;
}
constexpr std::uint32_t entryValue(std::uint32_t e) {
  return e >> 16;
}

constexpr unsigned kMaxCodeLength = 15;
constexpr unsigned kLiteralBits = 11;  // most literal/length codes of real data are shorter
constexpr unsigned kDistanceBits = 8;
constexpr unsigned kCodeLengthBits = 7;  // the longest code-length code: no sub-tables

// Room for the sub-tables. A sub-table of s index bits holds a complete part of the code whose
// longest code is s bits longer than the primary index, so at least s + 1 codes: it takes at
// most 2^s / (s + 1) slots per code, 16/5 for literal/length codes (s <= 4) and 16 for
// distance codes (s <= 7).
constexpr std::size_t kLiteralEntries = (std::size_t{1} << kLiteralBits) + 286 * 16 / 5 + 1;
constexpr std::size_t kDistanceEntries = (std::size_t{1} << kDistanceBits) + 30 * 16;
constexpr std::size_t kCodeLengthEntries = std::size_t{1} << kCodeLengthBits;

// The entry of a symbol whose code has the given length.
using MakeEntry = std::uint32_t (*)(unsigned symbol, unsigned codeLength);
std::uint32_t literalLengthEntry(unsigned symbol, unsigned codeLength);
std::uint32_t distanceEntry(unsigned symbol, unsigned codeLength);
std::uint32_t codeLengthEntry(unsigned symbol, unsigned codeLength);

// Fills `table` for the canonical code of the given code lengths (0: symbol unused). False for
// an over-subscribed code, and for an incomplete one unless `allowIncomplete` and no code is
// longer than 1 bit: zlib accepts one distance code of 1 bit, or none at all in a block of
// literals only (and the end-of-block code alone), and so does this; the codes left unused
// decode as invalid.
bool buildTable(const std::uint8_t* lengths, unsigned count, unsigned tableBits,
                std::uint32_t* table, std::size_t capacity, bool allowIncomplete,
                MakeEntry makeSymbolEntry);

inline std::uint32_t lookup(const std::uint32_t* table, std::uint64_t bits, unsigned tableBits) {
  std::uint32_t e = table[bits & ((std::uint64_t{1} << tableBits) - 1)];
  if (e & kSubTable)
    e = table[entryValue(e) + ((bits >> tableBits) & ((1u << entryCodeLength(e)) - 1))];
  return e;
}

// The length or distance of an entry, its extra bits added.
inline std::uint32_t withExtra(std::uint32_t e, std::uint64_t bits) {
  const std::uint64_t mask = (std::uint64_t{1} << entryBits(e)) - 1;
  return entryValue(e) + static_cast<std::uint32_t>((bits & mask) >> entryCodeLength(e));
}

struct FixedTables {
  std::uint32_t literals[kLiteralEntries];
  std::uint32_t distances[kDistanceEntries];
  FixedTables();
};

// The tables of the fixed codes, built once.
const FixedTables& fixedTables();

}  // namespace snaprill::inflate
