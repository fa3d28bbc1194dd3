// Paeth rows are undone with vector code, one pixel after another; the predictor's
// ties and the wrap at 256 are where such code goes wrong, so the rows here are
// made of few values, close together and at both ends of the range.
#include "formats/png/png_unfilter.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace snaprill {
namespace {

using Row = std::vector<std::uint8_t>;

Row paethByDefinition(const Row& filtered, const Row& prior, std::size_t bpp) {
  Row row = filtered;
  for (std::size_t i = 0; i < row.size(); ++i) {
    const int a = i >= bpp ? row[i - bpp] : 0;
    const int c = i >= bpp ? prior[i - bpp] : 0;
    row[i] = static_cast<std::uint8_t>(row[i] + png::paethPredictor(a, prior[i], c));
  }
  return row;
}

TEST(PngUnfilter, PaethRowsAloneAndInPairsAsDefined) {
  std::mt19937 random(11);
  const std::uint8_t values[] = {0, 1, 2, 3, 127, 128, 129, 253, 254, 255};
  const auto randomRow = [&](std::size_t size) {
    Row r(size);
    for (auto& v : r) v = values[random() % std::size(values)];
    return r;
  };
  for (const std::size_t bpp : {3u, 4u}) {
    for (int round = 0; round < 200; ++round) {
      const std::size_t size = bpp * (1 + random() % 40);
      const Row prior = randomRow(size), first = randomRow(size), second = randomRow(size);
      const Row expectedFirst = paethByDefinition(first, prior, bpp);
      const Row expectedSecond = paethByDefinition(second, expectedFirst, bpp);

      Row alone = first;
      ASSERT_TRUE(png::unfilter(png::kPaeth, alone.data(), prior.data(), size, bpp));
      ASSERT_EQ(alone, expectedFirst) << "bpp " << bpp << ", round " << round;

      Row row0 = first, row1 = second;
      ASSERT_TRUE(png::unfilterTwo(png::kPaeth, row0.data(), png::kPaeth, row1.data(), prior.data(),
                                   size, bpp));
      ASSERT_EQ(row0, expectedFirst) << "pair, bpp " << bpp << ", round " << round;
      ASSERT_EQ(row1, expectedSecond) << "pair, bpp " << bpp << ", round " << round;
    }
  }
}

}  // namespace
}  // namespace snaprill
