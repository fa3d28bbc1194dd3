// What another program's offer becomes: the target chosen from the offered types,
// and the capture its bytes make, for the formats a user's clipboard carries.
#include "backends/qt/clipboard_offer.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <cstdlib>

#include <zlib.h>

namespace snaprill {
namespace {

TEST(ClipboardOffer, TextWithAPictureIsTheUsersTextUnlessPicturesWithTextAreTaken) {
  // Copied spreadsheet cells, as office programs offer them.
  const QStringList cells = {"TIMESTAMP",   "TARGETS", "text/html", "text/plain;charset=utf-8",
                             "UTF8_STRING", "STRING",  "TEXT",      "image/png",
                             "image/bmp"};
  EXPECT_TRUE(offersPlainText(cells));
  EXPECT_EQ(pictureTarget(cells, false), "");
  EXPECT_EQ(pictureTarget(cells, true), "image/png");
  for (const char* text : {"text/plain", "UTF8_STRING", "STRING", "TEXT", "COMPOUND_TEXT"})
    EXPECT_EQ(pictureTarget({"image/png", text}, false), "") << text;
  // A browser's image copy: HTML, no plain text.
  EXPECT_EQ(pictureTarget({"TARGETS", "text/html", "image/png"}, false), "image/png");
  EXPECT_FALSE(offersPlainText({"text/html", "text/uri-list", "image/png"}));
}

TEST(ClipboardOffer, AnOfferMarkedSecretIsNeverAPictureWhateverElseItCarries) {
  // As a password manager marks a copied password, and a picture so marked.
  const QStringList password = {"TARGETS", "x-kde-passwordManagerHint", "text/plain", "image/png"};
  const QStringList picture = {"image/png", "image/bmp", "x-kde-passwordManagerHint"};
  for (const bool withText : {false, true}) {
    EXPECT_EQ(pictureTarget(password, withText), "") << withText;
    EXPECT_EQ(pictureTarget(picture, withText), "") << withText;
    EXPECT_EQ(pictureTarget({"x-kde-passwordManagerHint", "application/x-qt-image"}, withText), "");
    // Fault: a picture copied from the History window saved again as a new capture.
    EXPECT_EQ(pictureTarget({"image/png", kNotACaptureType}, withText), "");
  }
  // Another KDE hint marks nothing secret.
  EXPECT_EQ(pictureTarget({"image/png", "application/x-kde-onlyReplaceEmpty"}, false), "image/png");
}

TEST(ClipboardOffer, PngFirstThenTheOwnersOrderOfWhatQtReads) {
  EXPECT_EQ(pictureTarget({"image/bmp", "image/png"}, false), "image/png");
  EXPECT_EQ(pictureTarget({"image/tiff", "image/bmp"}, false), "image/tiff");
  EXPECT_EQ(pictureTarget({"image/webp"}, false), "image/webp");
  EXPECT_EQ(pictureTarget({"image/x-bmp"}, false), "image/x-bmp");
  EXPECT_EQ(pictureTarget({"image/x-no-such-format", "application/x-qt-image"}, false),
            "application/x-qt-image");
  // Also where Qt's SVG plugin is installed.
  EXPECT_EQ(pictureTarget({"image/svg+xml", "text/uri-list"}, false), "");
  EXPECT_EQ(pictureTarget({"image/svg+xml-compressed"}, false), "");
  EXPECT_EQ(pictureTarget({}, true), "");
}

// A drawing on its own is left on the clipboard and told (it once went unsaid, the
// README promising any picture Qt reads); beside a picture, the picture is taken,
// and a drawing the other rules leave alone (a secret, text) is not told either.
TEST(ClipboardOffer, OnlyADrawingLeftAloneByItselfIsTold) {
  struct Case {
    QStringList targets;
    bool takeWithText;
    bool told;
  };
  const Case cases[] = {
      {{"image/svg+xml"}, false, true},
      {{"image/svg+xml-compressed", "text/uri-list"}, false, true},
      {{"image/svg+xml", "image/png"}, false, false},
      {{"image/svg+xml", "application/x-qt-image"}, false, false},
      {{"image/svg+xml", "text/plain"}, false, false},
      {{"image/svg+xml", "text/plain"}, true, true},
      {{"image/svg+xml", "x-kde-passwordManagerHint"}, true, false},
      {{"text/plain"}, true, false},
      {{}, true, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(offersDrawingOnly(c.targets, c.takeWithText), c.told)
        << c.targets.join(' ').toStdString() << " " << c.takeWithText;
  }
}

// A small picture with every pixel different, opaque or with alpha.
QImage testPicture(bool alpha) {
  QImage image(13, 7, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      image.setPixel(x, y, qRgba(x * 19, y * 36, 255 - x * 9, alpha ? x * 21 : 255));
  return image;
}

QByteArray encoded(const QImage& image, const char* format, int quality = -1) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  writer.setQuality(quality);
  EXPECT_TRUE(writer.write(image)) << format << ": " << writer.errorString().toStdString();
  return bytes;
}

// A 32-bit BMP with an alpha mask (BITMAPV4HEADER), as Windows programs write them;
// Qt's own writer leaves transparency out.
QByteArray bmpWithAlpha(const QImage& image) {
  QByteArray bytes;
  const auto put = [&bytes](std::uint32_t v, int size) {
    for (int i = 0; i < size; ++i) bytes.append(static_cast<char>(v >> (8 * i)));
  };
  const auto pixels = static_cast<std::uint32_t>(image.width() * image.height() * 4);
  bytes.append("BM");
  put(14 + 108 + pixels, 4);
  put(0, 4);
  put(14 + 108, 4);
  put(108, 4);
  put(static_cast<std::uint32_t>(image.width()), 4);
  put(static_cast<std::uint32_t>(-image.height()), 4);  // top-down
  put(1, 2);
  put(32, 2);
  put(3, 4);  // BI_BITFIELDS
  put(pixels, 4);
  bytes.append(QByteArray(16, '\0'));  // resolution, colours used and important
  for (const std::uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u})
    put(mask, 4);
  put(0x73524742, 4);  // sRGB
  bytes.append(QByteArray(48, '\0'));
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) put(image.pixel(x, y), 4);
  return bytes;
}

// The colour a viewer shows for the pixel on a white page.
Rgb onWhite(QRgb p) {
  const int a = qAlpha(p);
  const auto over = [a](int c) {
    return static_cast<std::uint8_t>((c * a + 255 * (255 - a) + 127) / 255);
  };
  return Rgb{over(qRed(p)), over(qGreen(p)), over(qBlue(p))};
}

void expectPicture(const Bitmap& b, const QImage& source, int tolerance, const char* what) {
  ASSERT_EQ(b.bitsPerPixel(), 32) << what;
  ASSERT_EQ(b.width(), source.width()) << what;
  ASSERT_EQ(b.height(), source.height()) << what;
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) {
      const Rgb want = onWhite(source.pixel(x, y));
      const Rgb got = b.pixel(x, y);
      EXPECT_LE(std::abs(got.r - want.r) + std::abs(got.g - want.g) + std::abs(got.b - want.b),
                tolerance)
          << what << " at " << x << "," << y;
    }
  }
}

TEST(ClipboardOffer, EveryFormatAUsersClipboardCarriesMakesACapture) {
  const QImage opaque = testPicture(false);
  struct Case {
    const char* target;
    const char* format;
    int quality;
    int tolerance;
  };
  for (const Case& c : {Case{"image/png", "png", -1, 0}, Case{"image/bmp", "bmp", -1, 0},
                        Case{"image/x-bmp", "bmp", -1, 0}, Case{"image/tiff", "tiff", -1, 0},
                        Case{"image/webp", "webp", 100, 0}, Case{"image/jpeg", "jpeg", 100, 60}}) {
    const TakenPicture offered =
        pictureFromOffer(c.target, encoded(opaque, c.format, c.quality), nullptr);
    expectPicture(offered.picture, opaque, c.tolerance, c.target);
  }
}

TEST(ClipboardOffer, TransparencyIsDrawnOverWhite) {
  const QImage translucent = testPicture(true);
  // PNG with alpha (our own reader), TIFF and WebP with alpha (Qt's readers).
  for (const char* format : {"png", "tiff", "webp"}) {
    const QByteArray bytes = encoded(translucent, format, 100);
    expectPicture(pictureFromOffer(QString("image/") + format, bytes, nullptr).picture, translucent,
                  0, format);
  }
  expectPicture(pictureFromOffer("image/bmp", bmpWithAlpha(translucent), nullptr).picture,
                translucent, 0, "bmp");
  // A palette PNG whose transparent entry holds red: it shows white.
  QImage keyed(4, 2, QImage::Format_Indexed8);
  keyed.setColorTable({qRgba(255, 0, 0, 0), qRgb(0, 0, 255)});
  keyed.fill(0);
  keyed.setPixel(3, 1, 1);
  const Bitmap b = pictureFromOffer("image/png", encoded(keyed, "png"), nullptr).picture;
  ASSERT_FALSE(b.empty());
  EXPECT_EQ(b.pixel(0, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(b.pixel(3, 1), (Rgb{0, 0, 255}));
}

TEST(ClipboardOffer, DamagedOrOversizedBytesMakeNoPicture) {
  const QByteArray png = encoded(testPicture(false), "png");
  QByteArray badCrc = png;
  badCrc[badCrc.indexOf("IDAT") + 6] = static_cast<char>(badCrc[badCrc.indexOf("IDAT") + 6] ^ 1);
  for (const QByteArray& bytes :
       {badCrc, png.left(png.size() / 2), QByteArray(), QByteArray(300, 'x')}) {
    const TakenPicture offered = pictureFromOffer("image/png", bytes, nullptr);
    EXPECT_TRUE(offered.picture.empty());
    EXPECT_EQ(offered.lost, LostReason::Damaged);
  }
  // A header announcing 60000 x 60000 pixels is refused before its pixels.
  QByteArray huge = png;
  for (const int at : {16, 20}) {
    huge[at] = 0;
    huge[at + 1] = 0;
    huge[at + 2] = static_cast<char>(0xEA);
    huge[at + 3] = static_cast<char>(0x60);
  }
  const auto crc = static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(huge.constData()) + 12, 17));
  for (int i = 0; i < 4; ++i) huge[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
  const TakenPicture refused = pictureFromOffer("image/png", huge, nullptr);
  EXPECT_TRUE(refused.picture.empty());
  EXPECT_EQ(refused.lost, LostReason::TooLarge);
  // 99 bytes of BMP claiming 13 million by 5 pixels, found by fuzzing: Qt's reader
  // takes seconds and 800 MiB for them. Refused as damaged before it starts.
  QByteArray bmp(
      "BM\xae\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x07\0\xca\0\x05\0\0\0\x01\0\x18\0"
      "\0\0\0\0\x78\0\0\0",
      38);
  bmp.append(QByteArray(61, '\xbe'));
  const TakenPicture claimed = pictureFromOffer("image/bmp", bmp, nullptr);
  EXPECT_TRUE(claimed.picture.empty());
  EXPECT_EQ(claimed.lost, LostReason::Damaged);
  // A PNG whose last chunk claims 1.6 GB (found by fuzzing; libpng reserves it all
  // and takes 15 s): damaged, at once.
  QByteArray claims = png.left(png.size() - 12);
  claims.append(QByteArray("\x63\x00\x00\x25tEXtdate:modify", 19));
  const TakenPicture claimed1600 = pictureFromOffer("image/png", claims, nullptr);
  EXPECT_EQ(claimed1600.lost, LostReason::Damaged);
  EXPECT_TRUE(claimed1600.picture.empty());
  // A BMP cut short, also under another name: Qt's reader made a picture of it whose
  // missing rows were left-over memory. No picture.
  const QByteArray whole = encoded(testPicture(false), "bmp");
  for (const char* target : {"image/bmp", "image/tiff"}) {
    const TakenPicture cut = pictureFromOffer(target, whole.left(whole.size() * 2 / 3), nullptr);
    EXPECT_TRUE(cut.picture.empty()) << target;
    EXPECT_EQ(cut.lost, LostReason::Damaged) << target;
  }
}

}  // namespace
}  // namespace snaprill
