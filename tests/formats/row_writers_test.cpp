// The TIFF, Targa and PCX writers read 32-bit rows several pixels at a time, 24-bit
// rows pixel by pixel and lower formats through the palette: every path must give
// the same file for the same colours, whatever the unused fourth byte holds.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "formats/pcx/pcx.h"
#include "formats/targa/targa.h"
#include "formats/tiff/tiff_writer.h"
#include "support/pictures.h"

namespace snaprill {
namespace {

using Bytes = std::vector<std::uint8_t>;

template <class Write>
Bytes written(const Write& write) {
  MemorySink sink;
  write(sink);
  return sink.bytes;
}

TEST(RowWriters, EveryPixelFormatGivesTheFileOfItsColours) {
  for (int w : {1, 2, 3, 4, 5, 7, 9, 131, 300}) {
    const Bitmap picture = testing::runsPicture(w, 3);
    const Bitmap rgb = picture.convertedTo(24);
    for (const std::uint8_t format : {std::uint8_t{5}, std::uint8_t{0}}) {
      const Bitmap bgrx = rgb.convertedTo(32);
      const Bytes expected = written([&](ByteSink& s) { writeTarga(bgrx, format, s); });
      EXPECT_EQ(written([&](ByteSink& s) { writeTarga(picture, format, s); }), expected)
          << "width " << w << " format " << int{format};
      EXPECT_EQ(written([&](ByteSink& s) { writeTarga(rgb, format, s); }), expected);
      EXPECT_EQ(readTarga(expected.data(), expected.size()), rgb);
    }
    const Bytes tiff = written([&](ByteSink& s) { writeTiff(s, rgb); });
    EXPECT_EQ(written([&](ByteSink& s) { writeTiff(s, picture); }), tiff) << "width " << w;
    const Bytes pcx = written([&](ByteSink& s) { writePcx(rgb, s); });
    EXPECT_EQ(written([&](ByteSink& s) { writePcx(picture, s); }), pcx) << "width " << w;
    EXPECT_EQ(readPcx(pcx.data(), pcx.size()), rgb) << "width " << w;
  }
}

TEST(RowWriters, IndexedPicturesAreWrittenThroughTheirPalette) {
  Bitmap picture(5, 2, 4);
  picture.setIndex(1, 0, 15);
  picture.setIndex(2, 1, 9);
  const Bitmap rgb = picture.convertedTo(24);
  for (const std::uint8_t format : {std::uint8_t{5}, std::uint8_t{0}}) {
    EXPECT_EQ(written([&](ByteSink& s) { writeTarga(picture, format, s); }),
              written([&](ByteSink& s) { writeTarga(rgb, format, s); }));
  }
  EXPECT_EQ(written([&](ByteSink& s) { writePcx(picture, s); }),
            written([&](ByteSink& s) { writePcx(rgb, s); }));
}

}  // namespace
}  // namespace snaprill
