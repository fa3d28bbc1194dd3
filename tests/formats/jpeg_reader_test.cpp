// The JPEG reader as strict as the others: cut, corrupt or padded data is an error,
// not a picture with gray patches; CMYK and YCCK files as Adobe applications write
// them are read; scan counts and frame sizes are bounded.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "formats/jpeg/jpeg.h"
#include "formats/loader/picture_loader.h"
#include "support/jpeg_test_writer.h"
#include "support/pictures.h"

namespace snaprill {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string errorOf(const Bytes& file) {
  try {
    readJpeg(file.data(), file.size());
  } catch (const FormatError& e) {
    return e.what();
  }
  return "no error";
}

// Offset just past the first scan header: where the entropy-coded data begins.
std::size_t scanStart(const Bytes& b) {
  std::size_t at = 2;
  while (!(b.at(at) == 0xFF && b.at(at + 1) == 0xDA)) ++at;
  return at + 2 + (b[at + 2] << 8 | b[at + 3]);
}

Bytes ourJpeg(int w = 64, int h = 48) {
  MemorySink sink;
  writeJpeg(testing::samplePicture(w, h), 90, sink);
  return sink.bytes;
}

TEST(JpegReader, EveryCutAfterTheHeaderIsAnError) {
  const Bytes file = ourJpeg();
  ASSERT_EQ(errorOf(file), "no error");
  // Cut anywhere in the scan data or just before the final EOI marker: libjpeg
  // would fill in gray and warn; the reader refuses.
  for (std::size_t n = scanStart(file); n < file.size(); ++n) {
    EXPECT_NE(errorOf(Bytes(file.begin(), file.begin() + static_cast<long>(n))), "no error")
        << "cut at " << n << " of " << file.size();
  }
  // Bytes where a marker belongs. (libjpeg's bit reader takes up to seven bytes
  // ahead without a word, so fewer go unnoticed.)
  Bytes padded = file;
  padded.insert(padded.end() - 2, 16, 0x12);
  EXPECT_EQ(errorOf(padded), "Corrupt JPEG data: 9 extraneous bytes before marker 0xd9");
}

TEST(JpegReader, MutatedScanDataIsRefusedWhereverLibjpegNoticesIt) {
  // A changed byte throws the Huffman decoding off its track; libjpeg notices when
  // that makes the scan run short or leaves more than its look-ahead over. Other
  // changes decode to a valid (wrong) picture that no reader can tell. Ignoring the
  // warnings, every one of these was accepted.
  const Bytes file = ourJpeg(96, 64);
  const std::size_t first = scanStart(file);
  std::mt19937 random(20);
  int accepted = 0;
  constexpr int kTries = 300;
  for (int i = 0; i < kTries; ++i) {
    Bytes mutated = file;
    const std::size_t at = first + random() % (file.size() - 2 - first);
    mutated[at] = static_cast<std::uint8_t>(mutated[at] ^ (1 + random() % 255));
    if (errorOf(mutated) == "no error") ++accepted;
  }
  EXPECT_LT(accepted, kTries * 3 / 4);
}

// Ink amounts stored the Adobe way: 255 - ink.
struct Inks {
  std::uint8_t c, m, y, k;
};

TEST(JpegReader, AdobeCmykAndYcckFilesAreReadAsTheirColours) {
  // Two flat halves, 16 pixels each way, so that neither subsampling nor block
  // edges blur what is compared.
  const Inks left{20, 200, 120, 30}, right{230, 10, 90, 0};
  Bytes samples;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 32; ++x) {
      const Inks& i = x < 16 ? left : right;
      samples.insert(samples.end(),
                     {static_cast<std::uint8_t>(255 - i.c), static_cast<std::uint8_t>(255 - i.m),
                      static_cast<std::uint8_t>(255 - i.y), static_cast<std::uint8_t>(255 - i.k)});
    }
  }
  // (255 - ink) * (255 - black) / 255 for each of red, green and blue.
  const auto expected = [](const Inks& i) {
    const auto mix = [&i](int ink) { return (255 - ink) * (255 - i.k) / 255; };
    return std::array<int, 3>{mix(i.c), mix(i.m), mix(i.y)};
  };
  for (const auto& [stored, transform] : {std::pair{JCS_CMYK, 0}, std::pair{JCS_YCCK, 2}}) {
    testing::JpegRecipe recipe(32, 16, 4, JCS_CMYK, stored);
    recipe.quality = 100;
    const Bytes file = testing::writeTestJpeg(recipe, samples);
    // The APP14 marker: "Adobe", version, two flag words, the transform.
    const std::string text(file.begin(), file.end());
    const std::size_t adobe = text.find("Adobe");
    ASSERT_NE(adobe, std::string::npos);
    EXPECT_EQ(file[adobe - 3], 0xEE);
    EXPECT_EQ(file[adobe + 11], transform);
    const Bitmap picture = readPicture(file.data(), file.size());
    ASSERT_EQ(picture.width(), 32);
    for (const auto& [x, inks] : {std::pair{8, left}, std::pair{24, right}}) {
      const Rgb got = picture.pixel(x, 8);
      const auto want = expected(inks);
      EXPECT_NEAR(got.r, want[0], 3) << transform << " x " << x;
      EXPECT_NEAR(got.g, want[1], 3) << transform << " x " << x;
      EXPECT_NEAR(got.b, want[2], 3) << transform << " x " << x;
    }
  }
}

TEST(JpegReader, FramesTheDataCanCoverPassEvenAtTheBestCompression) {
  // A flat gray picture with fitted Huffman tables: about two bits a block, the
  // least any encoder spends; and the same in progressive form.
  const Bytes flat(2048 * 2048, 128);
  for (const bool progressive : {false, true}) {
    testing::JpegRecipe recipe(2048, 2048, 1, JCS_GRAYSCALE, JCS_GRAYSCALE);
    recipe.progressive = progressive;
    recipe.optimize = true;
    const Bytes file = testing::writeTestJpeg(recipe, flat);
    const Bitmap picture = readJpeg(file.data(), file.size());
    EXPECT_EQ(picture.pixel(2047, 2047), (Rgb{128, 128, 128})) << file.size();
  }
}

TEST(JpegReader, ProgressiveFilesOfMoreThanAHundredScansAreRefused) {
  // Gray, 1 component: the DC coefficients in two scans, then every AC coefficient
  // in a scan of its own (65 scans, read); refining each of those once more makes
  // 128 scans (refused).
  std::vector<jpeg_scan_info> script = {{1, {0}, 0, 0, 0, 1}, {1, {0}, 0, 0, 1, 0}};
  for (int k = 1; k <= 63; ++k) script.push_back({1, {0}, k, k, 0, 1});
  const Bytes samples(64 * 64, 77);
  testing::JpegRecipe recipe(64, 64, 1, JCS_GRAYSCALE, JCS_GRAYSCALE);
  recipe.scans = script;
  EXPECT_EQ(errorOf(testing::writeTestJpeg(recipe, samples)), "no error");
  for (int k = 1; k <= 63; ++k) recipe.scans.push_back({1, {0}, k, k, 1, 0});
  EXPECT_EQ(errorOf(testing::writeTestJpeg(recipe, samples)), "JPEG file has too many scans");
}

}  // namespace
}  // namespace snaprill
