// The overlay picture readers: GIF, metafiles and JPEG through the loader's
// first-bytes table, on good, truncated and corrupt input.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "base/byte_sink.h"
#include "formats/emf/metafile_reader.h"
#include "formats/gif/gif_reader.h"
#include "formats/jpeg/jpeg.h"
#include "formats/loader/picture_loader.h"
#include "support/files.h"
#include "support/picture_bytes.h"
#include "support/pictures.h"

namespace snaprill {
namespace {

using testing::Bytes;

Bitmap read(const Bytes& b) {
  return readPicture(b.data(), b.size());
}

// Every prefix that ends before the picture data does fails with an error of its
// own, never a crash. (What follows the data, such as an end record, may be lost.)
template <typename Reader>
void expectEveryPrefixFails(const Bytes& file, std::size_t dataEnd, Reader reader) {
  for (std::size_t n = 0; n < dataEnd; ++n) {
    const Bytes prefix(file.begin(), file.begin() + static_cast<long>(n));
    EXPECT_ANY_THROW(reader(prefix)) << "prefix of " << n << " bytes";
  }
}

std::vector<Rgb> palette256() {
  std::vector<Rgb> p;
  for (int i = 0; i < 256; ++i)
    p.push_back(Rgb{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                    static_cast<std::uint8_t>(i * 7)});
  return p;
}

TEST(GifReader, FirstImageOnItsScreenPlainAndInterlaced) {
  const int w = 13, h = 11;
  std::vector<std::uint8_t> idx(w * h);
  for (std::size_t i = 0; i < idx.size(); ++i) idx[i] = static_cast<std::uint8_t>(i * 37 + 5);
  for (const bool interlaced : {false, true}) {
    const Bitmap b = read(testing::makeGif(w, h, idx, palette256(), interlaced));
    ASSERT_EQ(b.width(), w);
    ASSERT_EQ(b.height(), h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(b.pixel(x, y), palette256()[idx[static_cast<std::size_t>(y * w + x)]])
            << x << "," << y << " interlaced " << interlaced;
  }
  // An image placed on a larger screen, and one reaching past it, cut off.
  const Bitmap placed = read(testing::makeGif(w, h, idx, palette256(), false, 4, 3, 20, 12));
  ASSERT_EQ(placed.width(), 20);
  ASSERT_EQ(placed.height(), 12);
  EXPECT_EQ(placed.pixel(4, 3), palette256()[idx[0]]);
  EXPECT_EQ(placed.pixel(16, 11), palette256()[idx[static_cast<std::size_t>(8 * w + 12)]]);
  EXPECT_EQ(placed.pixel(17, 11), palette256()[0]);
  EXPECT_EQ(placed.pixel(0, 0), palette256()[0]);  // background index 0
}

TEST(GifReader, TruncatedAndCorruptFilesFailCleanly) {
  std::vector<std::uint8_t> idx(40 * 30);
  for (std::size_t i = 0; i < idx.size(); ++i) idx[i] = static_cast<std::uint8_t>(i % 251);
  const Bytes gif = testing::makeGif(40, 30, idx, palette256());
  expectEveryPrefixFails(gif, gif.size() - 1, [](const Bytes& b) { readGif(b.data(), b.size()); });
  Bytes huge = gif;
  huge[6] = huge[7] = huge[8] = huge[9] = 0xFF;  // a 65535 x 65535 screen
  EXPECT_THROW(readGif(huge.data(), huge.size()), FormatError);
  Bytes noImage(gif.begin(), gif.begin() + 13 + 768);
  noImage.push_back(0x3B);
  EXPECT_THROW(readGif(noImage.data(), noImage.size()), FormatError);
}

Bitmap expectedDraw(const Bitmap& picture, int canvasW, int canvasH, int x, int y, int dw, int dh) {
  Bitmap canvas(canvasW, canvasH, 24);
  for (int py = 0; py < canvasH; ++py)
    for (int px = 0; px < canvasW; ++px) canvas.setPixel(px, py, Rgb{255, 255, 255});
  stretchCopy(canvas, Rect{x, y, x + dw, y + dh}, picture,
              Rect{0, 0, picture.width(), picture.height()});
  return canvas;
}

TEST(MetafileReader, EnhancedAndPlaceableWindowsMetafilesDrawTheirPictures) {
  const Bitmap picture = testing::noisePicture(7, 5, 24, 3);
  for (const auto& [name, file] :
       std::map<std::string, Bytes>{{"emf", testing::makeEmf(picture, 30, 20, 3, 4, 14, 10)},
                                    {"wmf", testing::makeWmf(picture, 30, 20, 3, 4, 14, 10)}}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(detectPicture(file.data(), file.size()), PictureKind::Metafile);
    const Bitmap b = read(file);
    const Bitmap want = expectedDraw(picture, 30, 20, 3, 4, 14, 10);
    ASSERT_EQ(b.width(), 30);
    ASSERT_EQ(b.height(), 20);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 30; ++x) ASSERT_EQ(b.pixel(x, y), want.pixel(x, y)) << x << "," << y;
    expectEveryPrefixFails(file, file.size() - (name == "emf" ? 20 : 6),
                           [](const Bytes& f) { readMetafile(f.data(), f.size()); });
  }
}

TEST(MetafileReader, CanvasSizesInFractionsOfAPixelRoundToTheNearest) {
  // 1536 x 1087 units at 1200 per inch: 122.88 x 86.96 pixels at 96 per inch, which
  // drawing programs render as 123 x 87. The picture fills the whole canvas.
  const Bitmap picture = testing::noisePicture(4, 4, 24, 5);
  const Bytes wmf = testing::makeWmf(picture, 1536, 1087, 0, 0, 1536, 1087, 1200);
  const Bitmap b = read(wmf);
  EXPECT_EQ(b.width(), 123);
  EXPECT_EQ(b.height(), 87);
  EXPECT_EQ(b.pixel(122, 86), picture.pixel(3, 3));
  // An enhanced metafile without device bounds takes its size from its frame (0.01 mm)
  // at the reference device's resolution: 3010 x 2646 is 113.76 x 100.01 pixels.
  Bytes emf = testing::makeEmf(picture, 100, 100, 0, 0, 4, 4);
  testing::set32(emf, 16, 0xFFFFFFFF);
  testing::set32(emf, 32, 3010);
  const Bitmap framed = read(emf);
  EXPECT_EQ(framed.width(), 114);
  EXPECT_EQ(framed.height(), 100);
}

TEST(MetafileReader, MetafilesWithoutPicturesOrWithLiesFailCleanly) {
  Bytes emf = testing::makeEmf(testing::noisePicture(2, 2, 24, 1), 4, 4, 0, 0, 2, 2);
  // Only the header and the end record: a drawing with no picture in it.
  Bytes vector(emf.begin(), emf.begin() + 88);
  vector.insert(vector.end(), emf.end() - 20, emf.end());
  EXPECT_THROW(readMetafile(vector.data(), vector.size()), FormatError);
  // A record offset that points outside its record.
  Bytes lying = emf;
  testing::set32(lying, 88 + 48, 0x7FFFFFF0);
  EXPECT_THROW(readMetafile(lying.data(), lying.size()), FormatError);
  // A record size of zero would loop for ever.
  Bytes looping = emf;
  testing::set32(looping, 88 + 4, 0);
  EXPECT_THROW(readMetafile(looping.data(), looping.size()), FormatError);
  // A canvas beyond what we draw.
  Bytes huge = emf;
  testing::set32(huge, 16, 0x7FFFFFFF);
  testing::set32(huge, 20, 0x7FFFFFFF);
  EXPECT_THROW(readMetafile(huge.data(), huge.size()), FormatError);
}

TEST(JpegReader, ReadsWhatItWritesAndSurvivesDamage) {
  const Bitmap picture = testing::noisePicture(33, 17, 24, 9);
  MemorySink sink;
  writeJpeg(picture, 95, sink);
  const Bytes& bytes = sink.bytes;
  const Bitmap b = readPicture(bytes.data(), bytes.size());
  ASSERT_EQ(b.width(), 33);
  ASSERT_EQ(b.height(), 17);
  // Truncation of the header and of the scan: always an error, never the end of
  // the process.
  for (std::size_t n = 3; n < bytes.size(); n += 7) {
    EXPECT_THROW(readJpeg(bytes.data(), n), FormatError) << n;
  }
  Bytes corrupt = bytes;
  for (std::size_t i = 2; i < 200 && i < corrupt.size(); i += 3) corrupt[i] ^= 0x5A;
  EXPECT_THROW(readJpeg(corrupt.data(), corrupt.size()), FormatError);
}

// --- the test files of Debian's gdk-pixbuf-tests package, when installed ---

const std::filesystem::path kPixbufTests = "/usr/libexec/installed-tests/gdk-pixbuf/test-images";

std::map<std::string, std::string> readConf(const std::filesystem::path& p) {
  std::map<std::string, std::string> conf;
  std::ifstream in(p);
  std::string line, section;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '[') section = line;
    const auto eq = line.find(" = ");
    if (section == "[config]" && eq != std::string::npos)
      conf[line.substr(0, eq)] = line.substr(eq + 3);
    if (section == "[frame0]" && eq != std::string::npos)
      conf["frame0." + line.substr(0, eq)] = line.substr(eq + 3);
  }
  return conf;
}

TEST(PixbufTestFiles, GifSuiteValidFilesLoadAndBrokenOnesFail) {
  const auto suite = kPixbufTests / "gif-test-suite";
  if (!std::filesystem::exists(suite / "TESTS")) GTEST_SKIP() << "gdk-pixbuf-tests not installed";
  std::ifstream list(suite / "TESTS");
  std::string name;
  int checked = 0;
  // Valid files that giflib itself cannot read: a code table that stays full
  // without a clear code.
  const std::set<std::string> giflibCannot = {"max-codes"};
  // A valid file whose image the suite's own loader chooses not to show.
  const std::set<std::string> notBroken = {"plain-text"};
  while (std::getline(list, name)) {
    if (name.empty() || name[0] == '#') continue;
    const auto conf = readConf(suite / (name + ".conf"));
    if (!conf.count("input")) continue;
    const Bytes file = testing::readBytes(suite / conf.at("input"));
    SCOPED_TRACE(name);
    ++checked;
    if (conf.at("frames").empty() && !notBroken.count(name)) {
      EXPECT_THROW(readGif(file.data(), file.size()), FormatError);
      continue;
    }
    if (giflibCannot.count(name) || notBroken.count(name)) continue;
    Bitmap b;
    ASSERT_NO_THROW(b = readGif(file.data(), file.size()));
    const int w = std::stoi(conf.at("width")), h = std::stoi(conf.at("height"));
    ASSERT_EQ(b.width(), w);
    ASSERT_EQ(b.height(), h);
    // Opaque pixels of the first frame as the suite expects them.
    const Bytes rgba = testing::readBytes(suite / conf.at("frame0.pixels"));
    if (rgba.size() != static_cast<std::size_t>(w) * h * 4) continue;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::uint8_t* p = &rgba[4 * (static_cast<std::size_t>(y) * w + x)];
        if (p[3] == 255) {
          ASSERT_EQ(b.pixel(x, y), (Rgb{p[0], p[1], p[2]})) << x << "," << y;
        }
      }
  }
  EXPECT_GT(checked, 40);
}

TEST(PixbufTestFiles, BrokenGifAndBmpFilesFailCleanly) {
  const auto fail = kPixbufTests / "fail";
  if (!std::filesystem::exists(fail)) GTEST_SKIP() << "gdk-pixbuf-tests not installed";
  int checked = 0;
  for (const auto& entry : std::filesystem::directory_iterator(fail)) {
    const auto ext = entry.path().extension();
    if (ext != ".gif" && ext != ".bmp") continue;
    SCOPED_TRACE(entry.path().filename().string());
    const Bytes file = testing::readBytes(entry.path());
    EXPECT_ANY_THROW(read(file));
    ++checked;
  }
  EXPECT_GT(checked, 5);
}

}  // namespace
}  // namespace snaprill

namespace snaprill {
namespace {

// The fuzz seeds (named .emf and .wmf, beside the fuzzer's finds) hold one file per
// picture record kind; each must draw its picture.
TEST(MetafileReader, EveryRasterRecordKindDraws) {
  const char* source = std::getenv("SNAPRILL_SOURCE");
  if (!source) GTEST_SKIP() << "SNAPRILL_SOURCE not set";
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(source) /
                                                           "fuzz/corpus/metafile")) {
    const std::string extension = e.path().extension().string();
    if (extension != ".emf" && extension != ".wmf") continue;
    SCOPED_TRACE(e.path().filename().string());
    const Bytes file = testing::readBytes(e.path());
    Bitmap b;
    ASSERT_NO_THROW(b = readMetafile(file.data(), file.size()));
    int painted = 0;
    for (int y = 0; y < b.height(); ++y)
      for (int x = 0; x < b.width(); ++x) painted += b.pixel(x, y) != Rgb{255, 255, 255};
    EXPECT_GT(painted, 4);
    ++files;
  }
  EXPECT_GE(files, 7);
}

}  // namespace
}  // namespace snaprill
