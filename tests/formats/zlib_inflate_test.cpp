#include "formats/zlib/zlib_inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "support/zlib_streams.h"

namespace snaprill {
namespace {

using zlibtest::Bytes;
using zlibtest::deflateZlib;

// Ours into exactly outputSize bytes, followed by guard bytes that must stay untouched; nothing
// when it refuses the stream.
std::optional<Bytes> inflateOurs(const Bytes& stream, std::size_t outputSize) {
  Bytes buffer(outputSize + 64, 0xA5);
  const bool ok = inflateZlib(stream, buffer.data(), outputSize, 0, {});
  EXPECT_TRUE(std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(outputSize), buffer.end(),
                          [](std::uint8_t b) { return b == 0xA5; }))
      << "written past the output";
  buffer.resize(outputSize);
  return ok ? std::optional<Bytes>(std::move(buffer)) : std::nullopt;
}

// Same verdict as zlib's inflate, and the same bytes when both accept.
::testing::AssertionResult agreesWithZlib(const Bytes& stream, std::size_t outputSize) {
  const zlibtest::Reference zlib = zlibtest::zlibInflate(stream, outputSize);
  const std::optional<Bytes> ours = inflateOurs(stream, outputSize);
  if (ours.has_value() == zlib.ok && (!ours || *ours == zlib.bytes))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "zlib " << (zlib.ok ? "accepts" : "refuses") << " a stream of " << stream.size()
         << " bytes into " << outputSize << ", ours differs";
}

// 32-bit random numbers, as the bytes and sizes below want them.
struct Random {
  using result_type = std::uint32_t;
  explicit Random(std::uint32_t seed) : cycle(seed) {}
  static constexpr result_type min() { return 0; }
  static constexpr result_type max() { return 0xFFFFFFFFu; }
  result_type operator()() { return static_cast<result_type>(cycle()); }
  std::mt19937 cycle;
};

Bytes randomBytes(std::size_t size, std::uint32_t seed) {
  Random rng(seed);
  Bytes b(size);
  for (auto& v : b) v = static_cast<std::uint8_t>(rng());
  return b;
}

// Runs of short periods (1 to 8 bytes) and of longer ones, between random stretches.
Bytes repetitiveBytes(std::size_t size, std::uint32_t seed) {
  Random rng(seed);
  Bytes b;
  while (b.size() < size) {
    const std::size_t period = rng() % 4 == 0 ? 1 + rng() % 3000 : 1 + rng() % 8;
    for (std::size_t i = 0; i < period; ++i) b.push_back(static_cast<std::uint8_t>(rng() % 4));
    const std::size_t run = rng() % 20000;
    for (std::size_t i = 0; i < run; ++i) b.push_back(b[b.size() - period]);
  }
  b.resize(size);
  return b;
}

constexpr int kStrategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};

TEST(inflateZlib, MatchesZlibAtEveryLevelAndStrategy) {
  const Bytes kinds[] = {randomBytes(40000, 1), repetitiveBytes(300000, 2),
                         zlibtest::screenshotRows(320, 240)};
  for (const Bytes& raw : kinds)
    for (int level = 0; level <= 9; ++level)
      for (const int strategy : kStrategies) {
        ASSERT_EQ(inflateOurs(deflateZlib(raw, level, strategy), raw.size()), raw)
            << "level " << level << " strategy " << strategy;
      }
  // Sizes from nothing to a few megabytes.
  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{257},
                                 std::size_t{65535}, std::size_t{65536}, std::size_t{65537}}) {
    const Bytes raw = repetitiveBytes(size, static_cast<std::uint32_t>(size));
    for (const int level : {0, 1, 6}) EXPECT_EQ(inflateOurs(deflateZlib(raw, level), size), raw);
  }
  const Bytes screen = zlibtest::screenshotRows(1280, 720);
  for (const int level : {0, 1, 6})
    EXPECT_EQ(inflateOurs(deflateZlib(screen, level), screen.size()), screen) << level;
}

TEST(inflateZlib, CutShortOrDamagedStreamsAsZlibDoes) {
  Random rng(7);
  const Bytes raw = zlibtest::screenshotRows(60, 40);
  const Bytes streams[] = {deflateZlib(raw, 6), deflateZlib(raw, 0), deflateZlib(raw, 6, Z_FIXED),
                           deflateZlib(randomBytes(300, 3), 9)};
  for (const Bytes& stream : streams) {
    for (std::size_t cut = 0; cut < stream.size(); ++cut) {
      const Bytes shorter(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut));
      ASSERT_TRUE(agreesWithZlib(shorter, raw.size())) << "cut at " << cut;
    }
    for (std::size_t pos = 0; pos < stream.size(); ++pos)
      for (const unsigned flip : {0x01u, 0x10u, 0x80u, 0xFFu}) {
        Bytes damaged = stream;
        damaged[pos] = static_cast<std::uint8_t>(damaged[pos] ^ flip);
        ASSERT_TRUE(agreesWithZlib(damaged, raw.size())) << "byte " << pos << " ^ " << flip;
      }
  }
  const Bytes big = zlibtest::screenshotRows(800, 600);
  const Bytes stream = deflateZlib(big, 6);
  for (int i = 0; i < 200; ++i) {
    Bytes damaged = stream;
    damaged[rng() % damaged.size()] ^= static_cast<std::uint8_t>(1 + rng() % 255);
    ASSERT_TRUE(agreesWithZlib(damaged, big.size()));
  }
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(agreesWithZlib(randomBytes(rng() % 300, rng()), 1000));
}

TEST(inflateZlib, RefusesWrongSizesHeadersAndChecksums) {
  const Bytes raw = repetitiveBytes(100000, 5);
  const Bytes stream = deflateZlib(raw, 6);
  EXPECT_EQ(inflateOurs(stream, raw.size()), raw);
  for (const std::size_t size : {std::size_t{0}, raw.size() - 1, raw.size() + 1, raw.size() * 2})
    EXPECT_FALSE(inflateOurs(stream, size)) << size;
  for (std::size_t i = 1; i <= 4; ++i) {
    Bytes bad = stream;
    bad[bad.size() - i] ^= 0x04;
    EXPECT_FALSE(inflateOurs(bad, raw.size())) << "Adler-32 byte " << i;
  }
  Bytes trailing = stream;
  trailing.insert(trailing.end(), {1, 2, 3});
  EXPECT_TRUE(inflateOurs(trailing, raw.size())) << "bytes after the checksum are ignored";
  EXPECT_FALSE(inflateOurs(Bytes(stream.begin(), stream.end() - 4), raw.size()));

  // Headers: every window size is accepted, anything else refused as zlib does.
  for (unsigned cmf = 0; cmf < 256; ++cmf)
    for (const unsigned flg : {0u, 0x20u}) {
      Bytes h = stream;
      h[0] = static_cast<std::uint8_t>(cmf);
      h[1] = static_cast<std::uint8_t>(flg | (31 - (cmf * 256 + flg) % 31) % 31);
      ASSERT_TRUE(agreesWithZlib(h, raw.size())) << cmf << " " << flg;
      EXPECT_EQ(inflateOurs(h, raw.size()).has_value(),
                (cmf & 15) == 8 && cmf >> 4 <= 7 && flg == 0);
      h[1] ^= 1;  // check bits wrong
      EXPECT_FALSE(inflateOurs(h, raw.size()));
    }
  EXPECT_FALSE(inflateOurs({}, 0));
  EXPECT_FALSE(inflateOurs({0x78}, 0));
}

// ---- Streams written by hand, for what zlib's deflate never writes --------------------------

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                           15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                           67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// Deflate bits go least significant first, Huffman codes most significant first.
class BitWriter {
 public:
  void bits(std::uint32_t value, unsigned count) {
    for (unsigned i = 0; i < count; ++i) put(value >> i & 1);
  }
  void code(std::uint32_t code, unsigned length) {
    for (unsigned i = length; i-- > 0;) put(code >> i & 1);
  }
  void alignedBytes(const Bytes& b) {
    used_ = 0;
    bytes_.insert(bytes_.end(), b.begin(), b.end());
  }
  // With zlib's header, and the Adler-32 of what the stream should inflate to.
  Bytes zlib(const Bytes& inflated) const {
    Bytes z(2 + bytes_.size());
    z[0] = 0x78;
    z[1] = 0x01;
    std::copy(bytes_.begin(), bytes_.end(), z.begin() + 2);
    const uLong a =
        adler32(adler32(0, nullptr, 0), inflated.data(), static_cast<uInt>(inflated.size()));
    for (int shift = 24; shift >= 0; shift -= 8) z.push_back(static_cast<std::uint8_t>(a >> shift));
    return z;
  }

 private:
  void put(unsigned bit) {
    if (used_ == 0) bytes_.push_back(0);
    bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | bit << used_);
    used_ = (used_ + 1) % 8;
  }
  Bytes bytes_;
  unsigned used_ = 0;
};

// The canonical code of a list of code lengths.
std::vector<std::uint32_t> canonicalCodes(const std::vector<std::uint8_t>& lengths) {
  unsigned count[16] = {}, next[16] = {};
  for (const auto l : lengths) ++count[l];
  count[0] = 0;
  for (unsigned len = 1, code = 0; len < 16; ++len) next[len] = code = (code + count[len - 1]) << 1;
  std::vector<std::uint32_t> codes(lengths.size());
  for (std::size_t i = 0; i < lengths.size(); ++i)
    if (lengths[i] != 0) codes[i] = next[lengths[i]]++;
  return codes;
}

// One block's symbols, and the bytes they inflate to.
struct Block {
  BitWriter& w;
  Bytes& out;
  std::vector<std::uint8_t> litLengths, distLengths;
  std::vector<std::uint32_t> litCodes = canonicalCodes(litLengths);
  std::vector<std::uint32_t> distCodes = canonicalCodes(distLengths);

  void literal(unsigned symbol) {
    w.code(litCodes[symbol], litLengths[symbol]);
    if (symbol < 256) out.push_back(static_cast<std::uint8_t>(symbol));
  }
  void match(unsigned lengthSymbol, unsigned lengthExtra, unsigned distSymbol, unsigned distExtra) {
    literal(257 + lengthSymbol);
    w.bits(lengthExtra, kLengthExtra[lengthSymbol]);
    w.code(distCodes[distSymbol], distLengths[distSymbol]);
    w.bits(distExtra, distSymbol < 30 ? kDistanceExtra[distSymbol] : 0);
    if (lengthSymbol >= 29 || distSymbol >= 30) return;
    const std::size_t distance = kDistanceBase[distSymbol] + distExtra;
    for (unsigned i = 0; i < kLengthBase[lengthSymbol] + lengthExtra && distance <= out.size(); ++i)
      out.push_back(out[out.size() - distance]);
  }
  void match(unsigned length, unsigned distance) {
    unsigned ls = 28, ds = 29;
    while (kLengthBase[ls] > length) --ls;
    while (kDistanceBase[ds] > distance) --ds;
    match(ls, length - kLengthBase[ls], ds, distance - kDistanceBase[ds]);
  }
  void end() { literal(256); }
};

Block fixedBlock(BitWriter& w, Bytes& out, bool last) {
  w.bits(last, 1);
  w.bits(1, 2);
  std::vector<std::uint8_t> lit(288, 8);
  std::fill(lit.begin() + 144, lit.begin() + 256, 9);
  std::fill(lit.begin() + 256, lit.begin() + 280, 7);
  return Block{w, out, lit, std::vector<std::uint8_t>(32, 5)};
}

// A dynamic block header whose code lengths are the given code-length symbols ({symbol,
// extra bits}); counts given apart so that they can be wrong.
void dynamicHeader(BitWriter& w, bool last, unsigned litCount, unsigned distCount,
                   const std::vector<std::array<unsigned, 2>>& symbols) {
  w.bits(last, 1);
  w.bits(2, 2);
  w.bits(litCount - 257, 5);
  w.bits(distCount - 1, 5);
  w.bits(19 - 4, 4);
  std::vector<std::uint8_t> cl(19, 4);  // 0..12 four bits, 13..18 five: a complete code
  std::fill(cl.begin() + 13, cl.end(), 5);
  for (const unsigned s : {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15})
    w.bits(cl[s], 3);
  const auto codes = canonicalCodes(cl);
  for (const auto& [symbol, extra] : symbols) {
    w.code(codes[symbol], cl[symbol]);
    w.bits(extra, symbol == 16 ? 2 : symbol == 17 ? 3 : symbol == 18 ? 7 : 0);
  }
}

Block dynamicBlock(BitWriter& w, Bytes& out, bool last, const std::vector<std::uint8_t>& lit,
                   const std::vector<std::uint8_t>& dist) {
  std::vector<std::array<unsigned, 2>> symbols;
  for (const auto l : lit) symbols.push_back({l, 0});
  for (const auto l : dist) symbols.push_back({l, 0});
  dynamicHeader(w, last, static_cast<unsigned>(lit.size()), static_cast<unsigned>(dist.size()),
                symbols);
  return Block{w, out, lit, dist};
}

TEST(inflateZlib, LongRunsAndMatchesFromTheWholeWindow) {
  BitWriter w;
  Bytes out;
  Block b = fixedBlock(w, out, true);
  // Every period below 16 bytes, which are copied as a repeated pattern, and 16, the first
  // copied straight from the window; each period of distinct bytes.
  for (unsigned distance = 1; distance <= 16; ++distance) {
    for (unsigned i = 0; i < distance; ++i) b.literal('a' + i + distance);
    for (const unsigned length : {258u, 3u, 100u, 258u}) b.match(length, distance);
  }
  b.match(258, 300);
  b.match(258, 17);
  for (unsigned i = 0; out.size() < 32768; ++i) b.literal(i * 7 % 251);
  b.match(258, 32768);        // the farthest a match may reach
  b.match(27, 31, 29, 8191);  // 258 by the second code that gives it, 32768 back again
  for (unsigned i = 0; i < 200; ++i) b.match(258, 1 + i % 20);
  b.end();
  EXPECT_TRUE(zlibtest::zlibInflate(w.zlib(out), out.size()).ok);
  EXPECT_EQ(inflateOurs(w.zlib(out), out.size()), out);
}

// A one-block stream of a dynamic code given as {symbol, length} pairs; in `script`, kDistance0
// and kDistance1 write those 1-bit distance codes.
constexpr unsigned kDistance0 = 1000, kDistance1 = 1001;

Bytes dynamicStream(const std::vector<std::array<unsigned, 2>>& code,
                    const std::vector<std::uint8_t>& dist, const std::vector<unsigned>& script,
                    const std::string& inflated) {
  std::vector<std::uint8_t> lit(257, 0);
  for (const auto& [symbol, length] : code) {
    lit.resize(std::max<std::size_t>(lit.size(), symbol + 1));
    lit[symbol] = static_cast<std::uint8_t>(length);
  }
  BitWriter w;
  Bytes out;
  Block b = dynamicBlock(w, out, true, lit, dist);
  for (const unsigned s : script) s >= kDistance0 ? w.code(s - kDistance0, 1) : b.literal(s);
  return w.zlib(Bytes(inflated.begin(), inflated.end()));
}

// The limits of zlib's inflate: each verdict is checked against zlib as well as stated.
TEST(inflateZlib, CodesAndBlocksAsZlibJudgesThem) {
  struct Case {
    const char* what;
    bool valid;
    Bytes stream;
    std::size_t size;
  };
  const std::vector<std::array<unsigned, 2>> lit = {{'a', 2}, {'b', 2}, {'c', 2}, {256, 2}};
  const std::vector<std::array<unsigned, 2>> match = {{'a', 2}, {'b', 2}, {256, 2}, {257, 2}};
  std::vector<Case> cases = {
      {"one distance code of one bit", true,
       dynamicStream(match, {1}, {'a', 257, kDistance0, 256}, "aaaa"), 4},
      {"the unused distance code", false,
       dynamicStream(match, {1}, {'a', 257, kDistance1, 256}, "aaaa"), 4},
      {"literals only, no distance code", true, dynamicStream(lit, {0}, {'a', 'b', 256}, "ab"), 2},
      {"a match without distance codes", false, dynamicStream(match, {0}, {'a', 257, 256}, "aaaa"),
       4},
      {"only the end of block, one bit", true, dynamicStream({{256, 1}}, {0}, {256}, ""), 0},
      {"only the end of block, two bits", false, dynamicStream({{256, 2}}, {0}, {256}, ""), 0},
      {"incomplete literal code", false,
       dynamicStream({{'a', 2}, {'c', 3}, {256, 2}}, {1}, {'a', 256}, "a"), 1},
      {"over-subscribed literal code", false,
       dynamicStream({{'a', 2}, {'b', 2}, {'c', 2}, {'d', 2}, {256, 2}}, {1}, {256}, ""), 0},
      {"incomplete distance code", false, dynamicStream(match, {2, 2, 2}, {'a', 256}, "a"), 1},
      {"no end-of-block code", false,
       dynamicStream({{'a', 2}, {'b', 2}, {'c', 2}, {257, 2}}, {1}, {'a'}, "a"), 1},
  };
  const auto add = [&](const char* what, bool valid, const auto& write) {
    BitWriter w;
    Bytes out;
    write(w, out);
    cases.push_back({what, valid, w.zlib(out), out.size()});
  };
  add("287 literal/length codes", false, [](BitWriter& w, Bytes&) {
    dynamicHeader(w, true, 287, 1, {{18, 127}, {18, 127}, {17, 0}, {2, 0}, {2, 0}, {2, 0}});
  });
  add("31 distance codes", false, [](BitWriter& w, Bytes&) {
    dynamicHeader(w, true, 257, 31, {{18, 127}, {18, 103}, {2, 0}, {2, 0}, {2, 0}, {2, 0}});
  });
  add("a repeat with nothing before it", false, [](BitWriter& w, Bytes&) {
    dynamicHeader(w, true, 257, 1, {{16, 0}});
  });
  add("a repeat past the last length", false, [](BitWriter& w, Bytes&) {
    dynamicHeader(w, true, 257, 1, {{18, 127}, {18, 127}, {18, 0}});
  });
  add("length code 286 of the fixed code", false, [](BitWriter& w, Bytes& out) {
    Block b = fixedBlock(w, out, true);
    b.literal('a');
    b.literal(286);
    w.bits(0, 5);
    b.end();
  });
  add("distance code 30 of the fixed code", false, [](BitWriter& w, Bytes& out) {
    Block b = fixedBlock(w, out, true);
    b.literal('a');
    b.match(0, 0, 30, 0);
    b.end();
  });
  add("a match reaching before the output", false, [](BitWriter& w, Bytes& out) {
    Block b = fixedBlock(w, out, true);
    for (unsigned i = 0; i < 32767; ++i) b.literal(i % 256);
    b.match(3, 32768);
    b.end();
    out.resize(out.size() + 3);
  });
  add("block type 3", false, [](BitWriter& w, Bytes&) { w.bits(7, 3); });
  for (const unsigned nlen : {0xFFu, 0xFEu})
    add("stored block", nlen == 0xFF, [nlen](BitWriter& w, Bytes& out) {
      w.bits(1, 3);
      out = {1, 2, 3};
      w.alignedBytes({3, 0, 0xFC, static_cast<std::uint8_t>(nlen), 1, 2, 3});
    });
  add("no final block", false, [](BitWriter& w, Bytes& out) {
    Block b = fixedBlock(w, out, false);
    b.literal('a');
    b.end();
  });
  for (const Case& c : cases) {
    EXPECT_EQ(zlibtest::zlibInflate(c.stream, c.size).ok, c.valid) << "zlib: " << c.what;
    EXPECT_EQ(inflateOurs(c.stream, c.size).has_value(), c.valid) << c.what;
  }
}

// Random complete codes with lengths up to 15 bits, long codes in sub-tables included.
std::vector<std::uint8_t> randomCode(Random& rng, unsigned symbols, unsigned used, unsigned first) {
  std::vector<unsigned> depths = {0};
  while (depths.size() < used) {
    // Splitting the newest leaf half of the time makes long codes common.
    std::size_t i = rng() % 2 ? depths.size() - 1 : rng() % depths.size();
    if (depths[i] == 15)
      i = static_cast<std::size_t>(std::min_element(depths.begin(), depths.end()) - depths.begin());
    depths[i] += 1;
    depths.push_back(depths[i]);
  }
  if (used == 1) depths[0] = 1;
  std::vector<unsigned> order(symbols);
  for (unsigned s = 0; s < symbols; ++s) order[s] = s;
  std::shuffle(order.begin(), order.end(), rng);
  std::swap(*std::find(order.begin(), order.end(), first), order[0]);
  std::vector<std::uint8_t> lengths(symbols, 0);
  for (std::size_t k = 0; k < depths.size(); ++k)
    lengths[order[k]] = static_cast<std::uint8_t>(depths[k]);
  return lengths;
}

TEST(inflateZlib, RandomCodesOfEveryShape) {
  Random rng(11);
  for (int trial = 0; trial < 300; ++trial) {
    BitWriter w;
    Bytes out;
    const int blocks = 1 + trial % 3;
    for (int block = 0; block < blocks; ++block) {
      const auto lit = randomCode(rng, 286, 2 + rng() % 285, 256);
      const auto dist = randomCode(rng, 30, 1 + rng() % 30, rng() % 30);
      Block b = dynamicBlock(w, out, block == blocks - 1, lit, dist);
      std::vector<unsigned> literals, lengths, distances;
      for (unsigned s = 0; s < 286; ++s)
        if (lit[s] != 0 && s != 256) (s < 256 ? literals : lengths).push_back(s);
      for (unsigned s = 0; s < 30; ++s)
        if (dist[s] != 0) distances.push_back(s);
      for (int n = 0; n < 400; ++n) {
        const unsigned d = distances[rng() % distances.size()];
        if (!lengths.empty() && kDistanceBase[d] <= out.size() && rng() % 2) {
          const unsigned l = lengths[rng() % lengths.size()] - 257;
          const std::size_t reach = out.size() - kDistanceBase[d] + 1;
          b.match(
              l, rng() % (1u << kLengthExtra[l]), d,
              static_cast<unsigned>(rng() % std::min<std::size_t>(reach, 1u << kDistanceExtra[d])));
        } else if (!literals.empty()) {
          b.literal(literals[rng() % literals.size()]);
        }
      }
      b.end();
    }
    const Bytes stream = w.zlib(out);
    ASSERT_TRUE(zlibtest::zlibInflate(stream, out.size()).ok) << trial;
    ASSERT_EQ(inflateOurs(stream, out.size()), out) << trial;
  }
}

TEST(inflateZlib, ProgressGrowsInStepsAndOldOutputMayBeRewritten) {
  const Bytes screen = zlibtest::screenshotRows(400, 300);
  const Bytes raws[] = {screen, screen, repetitiveBytes(500000, 9), screen};
  const Bytes streams[] = {deflateZlib(screen, 6), deflateZlib(screen, 0),
                           deflateZlib(raws[2], 6, Z_FIXED),
                           deflateZlib(screen, 6, Z_HUFFMAN_ONLY)};
  for (std::size_t k = 0; k < std::size(streams); ++k)
    for (const std::size_t step : {std::size_t{0}, std::size_t{1}, std::size_t{1000},
                                   std::size_t{65536}, std::size_t{1} << 40}) {
      const Bytes& raw = raws[k];
      Bytes output(raw.size());
      std::vector<std::size_t> reports;
      std::size_t rewritten = 0;
      const InflateProgress progress = [&](std::size_t produced) {
        reports.push_back(produced);
        // What the inflater no longer reads is garbage from now on.
        for (; rewritten + kInflateWindow < produced; ++rewritten) output[rewritten] ^= 0x5A;
      };
      ASSERT_TRUE(inflateZlib(streams[k], output.data(), output.size(), step, progress)) << step;
      EXPECT_TRUE(std::equal(output.begin() + static_cast<std::ptrdiff_t>(rewritten), output.end(),
                             raw.begin() + static_cast<std::ptrdiff_t>(rewritten)))
          << "stream " << k << " step " << step;
      std::size_t last = 0;
      for (const std::size_t produced : reports) {
        ASSERT_GE(produced - last, std::max<std::size_t>(step, 1)) << step;
        ASSERT_GT(produced, last);
        ASSERT_LT(produced, raw.size());
        last = produced;
      }
      if (step == 65536) {
        EXPECT_GE(reports.size(), raw.size() / 65536 - 1);
        EXPECT_GT(rewritten, 0u);
      }
      if (step > raw.size()) {
        EXPECT_TRUE(reports.empty());
      }
    }
}

}  // namespace
}  // namespace snaprill
