// WebP, AVIF and JPEG XL through our writers and readers: round trips at edge sizes
// and depths, and the readers' answers to damaged files and oversized claims.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "formats/avif/avif.h"
#include "formats/jxl/jxl.h"
#include "formats/loader/picture_loader.h"
#include "formats/modern_types.h"
#include "formats/webp/webp.h"
#include "support/pictures.h"

namespace snaprill {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Writer = std::function<void(const Bitmap&, int, ByteSink&)>;

struct Codec {
  const char* name;
  Writer write;
  PictureKind kind;
};

const Codec kCodecs[] = {
    {"WebP", writeWebp, PictureKind::Webp},
    {"AVIF", writeAvif, PictureKind::Avif},
    {"JPEG XL", writeJxl, PictureKind::JpegXl},
};

Bytes encoded(const Codec& codec, const Bitmap& picture, int quality) {
  MemorySink sink;
  codec.write(picture, quality, sink);
  return sink.bytes;
}

double psnr(const Bitmap& a, const Bitmap& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const Rgb p = a.pixel(x, y), q = b.pixel(x, y);
      for (const auto& [u, v] : {std::pair{p.r, q.r}, {p.g, q.g}, {p.b, q.b}}) {
        sum += (u - v) * (u - v);
      }
    }
  }
  const double mse = sum / (3.0 * a.width() * a.height());
  return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

std::string errorOf(const Bytes& b) {
  try {
    readPicture(b.data(), b.size());
  } catch (const FormatError& e) {
    return e.what();
  }
  return "no error";
}

class ModernTypes : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!kModernTypesBuilt) GTEST_SKIP() << "built without WebP, AVIF and JPEG XL";
  }
};

TEST_F(ModernTypes, LosslessRoundTripsKeepEveryPixelAtEdgeSizesAndDepths) {
  const Bitmap pictures[] = {
      testing::noisePicture(1, 1, 32, 1),    testing::noisePicture(7, 3, 24, 2),
      testing::noisePicture(5000, 2, 32, 3), testing::noisePicture(3, 9, 8, 4),
      testing::noisePicture(9, 2, 1, 5),     testing::screenshotLike(333, 201)};
  for (const Codec& codec : {kCodecs[0], kCodecs[2]}) {
    for (const Bitmap& picture : pictures) {
      SCOPED_TRACE(std::string(codec.name) + " " + std::to_string(picture.width()) + "x" +
                   std::to_string(picture.height()) + "@" + std::to_string(picture.bitsPerPixel()));
      const Bytes file = encoded(codec, picture, kLosslessQuality);
      ASSERT_EQ(detectPicture(file.data(), file.size()), codec.kind);
      const Bitmap back = readPicture(file.data(), file.size());
      ASSERT_EQ(back.width(), picture.width());
      ASSERT_EQ(back.height(), picture.height());
      EXPECT_EQ(psnr(back, picture), 99.0);  // every pixel the same
    }
  }
}

TEST_F(ModernTypes, LossyFilesStayCloseAndShrinkWithQuality) {
  const Bitmap picture = testing::screenshotLike(320, 200);
  for (const Codec& codec : kCodecs) {
    SCOPED_TRACE(codec.name);
    const Bytes good = encoded(codec, picture, 90);
    const Bytes poor = encoded(codec, picture, 20);
    EXPECT_LT(poor.size(), good.size());
    const Bitmap back = readPicture(good.data(), good.size());
    EXPECT_GT(psnr(back, picture), 30.0);
  }
}

TEST_F(ModernTypes, WritersRefuseWhatTheFormatCannotHold) {
  for (const Codec& codec : kCodecs) {
    SCOPED_TRACE(codec.name);
    try {
      encoded(codec, Bitmap(), 90);
      ADD_FAILURE() << "an empty picture was written";
    } catch (const FormatError& e) {
      EXPECT_EQ(e.kind(), FormatErrorKind::Empty);
    }
  }
  try {
    encoded(kCodecs[0], Bitmap(16384, 1, 8), kLosslessQuality);
    ADD_FAILURE() << "a WebP wider than 16383 pixels was written";
  } catch (const FormatError& e) {
    EXPECT_EQ(e.kind(), FormatErrorKind::TooLarge);
  }
}

// A lossless WebP header of the given size with no pixel data behind it.
Bytes webpClaiming(std::uint32_t width, std::uint32_t height) {
  const std::uint32_t bits = (width - 1) | (height - 1) << 14;
  Bytes b = {'R', 'I', 'F', 'F', 30,  0,  0, 0, 'W', 'E', 'B',
             'P', 'V', 'P', '8', 'L', 18, 0, 0, 0,   0x2F};
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
  b.resize(38, 0);
  return b;
}

TEST_F(ModernTypes, ReadersRefuseDamagedFilesAndOversizedClaims) {
  const Bitmap picture = testing::screenshotLike(64, 40);
  for (const Codec& codec : kCodecs) {
    SCOPED_TRACE(codec.name);
    const Bytes whole = encoded(codec, picture, codec.kind == PictureKind::Avif ? 80 : 101);
    for (const std::size_t cut : {whole.size() / 2, std::size_t{20}}) {
      const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
      EXPECT_NE(errorOf(part), "no error") << "cut at " << cut;
    }
  }
  // 16384 x 16384: beyond the pixel budget, refused before any allocation.
  EXPECT_EQ(errorOf(webpClaiming(16384, 16384)), "WebP picture too large");
  // Within the budget, but 38 bytes cannot describe 4096 x 4096 pixels.
  EXPECT_EQ(errorOf(webpClaiming(4096, 4096)), "WebP picture too large");
}

TEST(ModernTypesDetection, SignaturesPickTheirReaders) {
  const auto kindOf = [](std::initializer_list<std::uint8_t> bytes) {
    const Bytes b(bytes);
    return detectPicture(b.data(), b.size());
  };
  EXPECT_EQ(kindOf({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P'}), PictureKind::Webp);
  EXPECT_EQ(
      kindOf({0, 0, 0, 20, 'f', 't', 'y', 'p', 'a', 'v', 'i', 'f', 0, 0, 0, 0, 'm', 'i', 'f', '1'}),
      PictureKind::Avif);
  // AVIF among the compatible brands only.
  EXPECT_EQ(
      kindOf({0, 0, 0, 20, 'f', 't', 'y', 'p', 'm', 'i', 'f', '1', 0, 0, 0, 0, 'a', 'v', 'i', 'f'}),
      PictureKind::Avif);
  // HEIC has the same box and not the brand; an AVI is RIFF but not WebP.
  EXPECT_NE(
      kindOf({0, 0, 0, 20, 'f', 't', 'y', 'p', 'h', 'e', 'i', 'c', 0, 0, 0, 0, 'm', 'i', 'f', '1'}),
      PictureKind::Avif);
  EXPECT_NE(kindOf({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '}), PictureKind::Webp);
  EXPECT_EQ(kindOf({0xFF, 0x0A, 0xFA}), PictureKind::JpegXl);
  EXPECT_EQ(kindOf({0, 0, 0, 0x0C, 'J', 'X', 'L', ' ', 0x0D, 0x0A, 0x87, 0x0A}),
            PictureKind::JpegXl);
  EXPECT_EQ(kindOf({0xFF, 0xD8, 0xFF}), PictureKind::Jpeg);
}

}  // namespace
}  // namespace snaprill
