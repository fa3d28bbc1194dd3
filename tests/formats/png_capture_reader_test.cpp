// The clipboard's fast PNG reader against libpng: for every PNG the fast reader
// accepts, both must give the same capture, byte for byte, with pixels drawn over
// white as the clipboard's general reader (which the fast one falls back to) draws
// them. The files are built here with chosen filters per row, so that every filter,
// every pairing of Paeth rows and the split of the rows between two threads are
// exercised whatever a PNG writer would choose.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "base/worker_thread.h"
#include "formats/png/png_capture_reader.h"
#include "support/png_test_libpng.h"
#include "support/png_test_support.h"

namespace snaprill {
namespace {

using pngtest::appendChunk;
using pngtest::Bytes;
using pngtest::ihdr;

int predictor(int type, int a, int b, int c) {
  switch (type) {
    case 1:
      return a;
    case 2:
      return b;
    case 3:
      return (a + b) / 2;
    case 4: {
      const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
      return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
    }
    default:
      return 0;
  }
}

struct Picture {
  std::uint32_t width = 0, height = 0;
  std::uint8_t colourType = 2, depth = 8, interlace = 0;
  std::size_t channels = 3;
  Bytes samples;                       // unfiltered rows
  Bytes filters;                       // filter type of each row
  Bytes palette;                       // PLTE data
  std::size_t idatPiece = 0;           // IDAT chunks of this many bytes (0: one chunk)
  std::function<void(Bytes&)> damage;  // done to the compressed data, checksums kept right
};

Picture randomPicture(std::uint32_t width, std::uint32_t height, std::uint8_t colourType,
                      unsigned seed) {
  Picture p;
  p.width = width;
  p.height = height;
  p.colourType = colourType;
  p.channels = colourType == 2 ? 3 : colourType == 6 ? 4 : colourType == 4 ? 2 : 1;
  std::mt19937 random(seed);
  // Smooth areas with noise, where the predictors' choices differ most.
  p.samples.resize(std::size_t{width} * height * p.channels);
  for (std::size_t i = 0; i < p.samples.size(); ++i)
    p.samples[i] = static_cast<std::uint8_t>((i / 7 % 200) + random() % 56);
  for (std::uint32_t y = 0; y < height; ++y) p.filters.push_back(static_cast<std::uint8_t>(y % 5));
  if (colourType == 3)
    for (int i = 0; i < 3 * 200; ++i) p.palette.push_back(static_cast<std::uint8_t>(random()));
  return p;
}

Bytes encode(const Picture& p) {
  const std::size_t rowBytes = std::size_t{p.width} * p.channels;
  Bytes filtered;
  for (std::uint32_t y = 0; y < p.height; ++y) {
    const std::uint8_t* row = &p.samples[y * rowBytes];
    const std::uint8_t* prior = y > 0 ? row - rowBytes : nullptr;
    filtered.push_back(p.filters[y]);
    for (std::size_t i = 0; i < rowBytes; ++i) {
      const int a = i >= p.channels ? row[i - p.channels] : 0;
      const int b = prior ? prior[i] : 0;
      const int c = prior && i >= p.channels ? prior[i - p.channels] : 0;
      filtered.push_back(static_cast<std::uint8_t>(row[i] - predictor(p.filters[y], a, b, c)));
    }
  }
  Bytes packed = pngtest::zlibCompress(filtered);
  if (p.damage) p.damage(packed);

  Bytes out = pngtest::kSignature;
  appendChunk(out, "IHDR", ihdr(p.width, p.height, p.depth, p.colourType, p.interlace));
  if (!p.palette.empty()) appendChunk(out, "PLTE", p.palette);
  appendChunk(out, "tEXt", Bytes{'a', 0, 'b'});
  const std::size_t piece = p.idatPiece ? p.idatPiece : packed.size();
  for (std::size_t at = 0; at < packed.size(); at += piece)
    appendChunk(
        out, "IDAT",
        Bytes(packed.begin() + static_cast<std::ptrdiff_t>(at),
              packed.begin() + static_cast<std::ptrdiff_t>(std::min(packed.size(), at + piece))));
  appendChunk(out, "IEND", {});
  return out;
}

// A header announcing a picture, followed by an empty zlib stream.
Bytes headerWithEmptyData(std::uint32_t width, std::uint32_t height, std::uint8_t colourType) {
  return pngtest::pngFile({{"IHDR", ihdr(width, height, 8, colourType)},
                           {"IDAT", Bytes{0x78, 0x9c, 3, 0, 0, 0, 0, 1}},
                           {"IEND", {}}});
}

Bitmap ours(const Bytes& file) {
  return decodePngCapture(file.data(), file.size());
}

// Large pictures get memory that earlier pictures of their size used. So that a row
// read before it is written cannot look right by chance, that memory is filled
// with a pattern first.
void fillReusedMemory(int width, int height) {
  Bitmap first(width, height, 32), second(width, height, 32);
  std::memset(first.row(0), 0xa5, first.stride() * static_cast<std::size_t>(height));
  std::memset(second.row(0), 0x5a, second.stride() * static_cast<std::size_t>(height));
}

// Both ways of taking the picture: whole, and read row by row while the rows are
// still arriving (each row only once it is reported complete).
void expectSameCapture(const Bytes& file, const char* what) {
  const Bitmap reference = pngtest::libpngCaptureOverWhite(file);
  ASSERT_FALSE(reference.empty()) << what << ": libpng cannot read the test file";
  for (const bool streamed : {false, true}) {
    fillReusedMemory(reference.width(), reference.height());
    ArrivingRows arriving;
    const Bitmap fast =
        streamed ? decodePngCapture(file.data(), file.size(), arriving) : ours(file);
    // Should an assertion end the test early, the worker is done before the
    // picture it writes into is freed.
    struct Join {
      ArrivingRows& rows;
      ~Join() { rows.complete(); }
    } join{arriving};
    const std::string how = std::string(what) + (streamed ? ", streamed" : ", whole");
    ASSERT_FALSE(fast.empty()) << how;
    ASSERT_EQ(fast.bitsPerPixel(), 32) << how;
    ASSERT_EQ(fast.width(), reference.width()) << how;
    ASSERT_EQ(fast.height(), reference.height()) << how;
    for (int y = 0; y < fast.height(); ++y) {
      arriving.waitFor(y + 1);
      ASSERT_EQ(std::memcmp(fast.row(y), reference.row(y), fast.stride()), 0)
          << how << ": row " << y;
    }
    EXPECT_TRUE(arriving.intact()) << how;
  }
}

TEST(PngCapture, EveryColourTypeAndFilterGivesWhatLibpngGives) {
  for (const std::uint8_t type : Bytes{0, 2, 3, 4, 6}) {
    // Odd sizes; rows cycle through the five filters.
    Picture p = randomPicture(37, 23, type, type);
    expectSameCapture(encode(p), "filters in turn");
    // Runs of Paeth rows of odd and even length, after and before other filters.
    for (std::uint32_t y = 0; y < p.height; ++y)
      p.filters[y] = static_cast<std::uint8_t>(y % 7 < 3 ? 4 : y % 7 == 3 ? 2 : y % 7 == 4 ? 3 : 4);
    p.idatPiece = 50;  // many IDAT chunks, cut anywhere
    expectSameCapture(encode(p), "Paeth runs");
  }
}

TEST(PngCapture, ScreenSizedPicturesSplitBetweenThreadsGiveWhatLibpngGives) {
  for (const std::uint8_t type : Bytes{2, 6}) {
    Picture p = randomPicture(1000, 700, type, 7u + type);
    // Mostly Paeth and Up, a few Sub rows where the work can be split.
    for (std::uint32_t y = 0; y < p.height; ++y)
      p.filters[y] = static_cast<std::uint8_t>(y % 97 == 5 ? 1 : y % 3 == 0 ? 2 : 4);
    expectSameCapture(encode(p), "split");
    // No row that starts afresh: one thread does it all.
    for (std::uint8_t& f : p.filters) f = f == 1 ? 3 : f;
    expectSameCapture(encode(p), "no split");
  }
}

TEST(PngCapture, LeavesOtherFilesToTheGeneralReader) {
  const Picture good = randomPicture(16, 9, 2, 1);
  ASSERT_FALSE(ours(encode(good)).empty());

  Picture deep = good;  // 16-bit samples
  deep.depth = 16;
  deep.width = 8;
  EXPECT_TRUE(ours(encode(deep)).empty());
  Picture interlaced = good;
  interlaced.interlace = 1;
  EXPECT_TRUE(ours(encode(interlaced)).empty());
  Picture paletteless = randomPicture(16, 9, 3, 1);
  paletteless.palette.clear();
  EXPECT_TRUE(ours(encode(paletteless)).empty());
  Picture badFilter = good;
  badFilter.filters[4] = 5;
  EXPECT_TRUE(ours(encode(badFilter)).empty());

  const Bytes file = encode(good);
  Bytes badCrc = file;
  const char* idat = "IDAT";
  badCrc[static_cast<std::size_t>(std::search(file.begin(), file.end(), idat, idat + 4) -
                                  file.begin()) +
         6] ^= 1;
  EXPECT_TRUE(ours(badCrc).empty());
  for (std::size_t cut = 0; cut < file.size(); cut += 7)
    EXPECT_TRUE(ours(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut))).empty())
        << cut;

  // More image data than the rows need, and less.
  Picture taller = good;
  taller.height = 10;
  taller.samples.resize(taller.samples.size() + 16 * 3);
  taller.filters.push_back(0);
  Bytes lying = encode(taller);
  lying[8 + 8 + 7] = 9;  // IHDR says 9 rows; its CRC must then be redone
  const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, &lying[12], 17));
  for (int i = 0; i < 4; ++i) lying[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  EXPECT_TRUE(ours(lying).empty());

  // A header announcing a picture far beyond any screen is refused before anything
  // is allocated.
  EXPECT_TRUE(ours(headerWithEmptyData(65535, 65535, 2)).empty());
}

// A large picture is handed over before its compressed data has been inflated, so
// damage found there comes late: the rows are all delivered, defined, and reported
// as not the picture. Taken whole, the same files are left to the general reader.
TEST(PngCapture, DamageInsideTheDataOfAStreamedPictureIsReportedOnceItsRowsAreIn) {
  const Picture good = randomPicture(1000, 700, 2, 3);
  const auto badFilter = [&good] {
    Picture p = good;
    p.filters[600] = 5;
    return p;
  };
  const auto damaged = [&good](std::function<void(Bytes&)> damage) {
    Picture p = good;
    p.damage = std::move(damage);
    return p;
  };
  const struct {
    const char* what;
    Picture picture;
    std::uint32_t blackFrom;  // rows from here on must be black; height: none known
  } cases[] = {
      {"unknown filter in row 600", badFilter(), 600},
      {"data cut short", damaged([](Bytes& z) { z.resize(z.size() * 3 / 4); }), good.height},
      {"a byte changed", damaged([](Bytes& z) { z[z.size() / 2] ^= 0x10; }), good.height},
      {"wrong Adler-32", damaged([](Bytes& z) { z.back() ^= 1; }), good.height},
  };
  for (const auto& c : cases) {
    const Bytes file = encode(c.picture);
    EXPECT_TRUE(ours(file).empty()) << c.what;
    fillReusedMemory(static_cast<int>(good.width), static_cast<int>(good.height));
    ArrivingRows arriving;
    const Bitmap picture = decodePngCapture(file.data(), file.size(), arriving);
    // With one processor nothing is streamed: the damage is found before.
    if (usableProcessors() < 2) {
      EXPECT_TRUE(picture.empty()) << c.what;
      continue;
    }
    arriving.waitFor(picture.height());
    ASSERT_EQ(picture.height(), static_cast<int>(good.height)) << c.what;
    EXPECT_FALSE(arriving.intact()) << c.what;
    for (int y = static_cast<int>(c.blackFrom); y < picture.height(); ++y) {
      const std::uint8_t* row = picture.row(y);
      ASSERT_TRUE(std::all_of(row, row + picture.stride(), [](std::uint8_t b) { return b == 0; }))
          << c.what << ": row " << y;
    }
  }
}

TEST(PngCapture, AHeaderPromisingMoreThanItsDataCanHoldCostsNoMemory) {
  // 8192 x 8192 RGBA announced, a few bytes of data: refused before the picture's
  // 256 MiB are allocated and cleared (which would take about a second).
  const Bytes file = headerWithEmptyData(8192, 8192, 6);
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  EXPECT_TRUE(ours(file).empty());
  getrusage(RUSAGE_SELF, &after);
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "KiB of peak memory added";
}

}  // namespace
}  // namespace snaprill
