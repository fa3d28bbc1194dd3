// Every writer on a random picture. The input's first bytes choose the picture's size
// and depth and the writers' options; the rest, repeated, are its palette and pixels
// (stray bits past the last pixel of a row included). What each writer makes is read
// back by our own reader where we have one (BMP, PNG, GIF, PCX, Targa, EMF exactly,
// JPEG within a tolerance); a TIFF file is taken apart as TIFF 6.0 describes it and
// its strip compared, an AVI file is walked as RIFF. Any difference aborts.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/byte_sink.h"
#include "base/unaligned.h"
#include "formats/avi/avi_file.h"
#include "formats/bmp/bmp_file.h"
#include "formats/emf/emf_file.h"
#include "formats/emf/metafile_reader.h"
#include "formats/gif/gif_image.h"
#include "formats/gif/gif_reader.h"
#include "formats/jpeg/jpeg.h"
#include "formats/pcx/pcx.h"
#include "formats/png/png_image.h"
#include "formats/targa/targa.h"
#include "formats/tiff/tiff_writer.h"
#include "io/atomic_file.h"

namespace {

using namespace snaprill;
using Bytes = std::vector<std::uint8_t>;

void require(bool ok) {
  if (!ok) std::abort();
}

// The input's bytes one after another, from the start again when they run out.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t next() { return size_ == 0 ? 0 : data_[at_++ % size_]; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

Bitmap randomPicture(Input& in) {
  constexpr int kDepths[] = {1, 4, 8, 16, 24, 32};
  const int bpp = kDepths[in.next() % 6];
  const int width = 1 + (in.next() | in.next() << 8) % 300;
  const int height = 1 + in.next() % 40;
  Bitmap picture(width, height, bpp);
  for (Rgb& c : picture.palette()) c = {in.next(), in.next(), in.next()};
  const std::size_t used =
      (static_cast<std::size_t>(width) * static_cast<std::size_t>(bpp) + 7) / 8;
  for (int y = 0; y < height; ++y) {
    for (std::size_t i = 0; i < used; ++i) picture.row(y)[i] = in.next();
  }
  return picture;
}

void requireSamePixels(const Bitmap& got, const Bitmap& want) {
  require(got.width() == want.width() && got.height() == want.height());
  for (int y = 0; y < want.height(); ++y) {
    for (int x = 0; x < want.width(); ++x) require(got.pixel(x, y) == want.pixel(x, y));
  }
}

void checkBmpPngPcxTarga(const Bitmap& picture, Input& in) {
  MemorySink bmp;
  writeBmp(picture, bmp);
  requireSamePixels(readBmp(bmp.bytes.data(), bmp.bytes.size()), picture);

  MemorySink png;
  writePng(picture, in.next() % 10, static_cast<std::uint8_t>(in.next() & 31), png);
  PngImage back;
  back.loadFromMemory(png.bytes.data(), png.bytes.size());
  requireSamePixels(back.toBitmap(), picture);

  MemorySink pcx;
  writePcx(picture, pcx);
  requireSamePixels(readPcx(pcx.bytes.data(), pcx.bytes.size()), picture);

  for (const std::uint8_t format : {std::uint8_t{5}, std::uint8_t{0}}) {
    MemorySink tga;
    writeTarga(picture, format, tga);
    requireSamePixels(readTarga(tga.bytes.data(), tga.bytes.size()), picture);
  }
}

// A frame's colours as the file holds them.
Rgb frameColour(const GifFrame& frame, int x, int y) {
  const auto at = static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width) +
                  static_cast<std::size_t>(x);
  return frame.activeColors()[frame.pixels[at]];
}

void checkGif(const Bitmap& picture, Input& in) {
  GifImage gif;
  gif.reductionMode = in.next() & 1 ? ReductionMode::Grayscale : ReductionMode::SystemColorQuantize;
  gif.ditherKind = in.next() & 1 ? DitherKind::FloydSteinberg : DitherKind::None;
  gif.appendFrame(picture);
  // Sometimes a second capture of another size, maybe merged into the first.
  if (in.next() & 1) {
    gif.appendFrame(Bitmap(1 + in.next() % 64, 1 + in.next() % 48, 24));
    if (in.next() & 1) gif.mergeFrames();
  }
  MemorySink out;
  gif.saveToStream(out);
  const Bitmap shown = readGif(out.bytes.data(), out.bytes.size());
  require(shown.width() == gif.width() && shown.height() == gif.height());
  const GifFrame& first = gif.frameAt(0);
  for (int y = 0; y < first.height; ++y) {
    for (int x = 0; x < first.width; ++x) require(shown.pixel(x, y) == frameColour(first, x, y));
  }
}

// Lossy: the random picture must come back at its size. Its colours may move far
// (chroma subsampling and clipping on saturated one-pixel patterns); a flat picture
// of its first colour must come back within a few levels at quality 75 and up.
void checkJpeg(const Bitmap& picture, Input& in) {
  const int quality = 1 + in.next() % 100;
  const auto roundTrip = [quality](const Bitmap& p) {
    MemorySink out;
    writeJpeg(p, quality, out);
    Bitmap back = readJpeg(out.bytes.data(), out.bytes.size());
    require(back.width() == p.width() && back.height() == p.height());
    return back;
  };
  roundTrip(picture);
  if (quality < 75) return;
  const Rgb colour = picture.pixel(0, 0);
  Bitmap flat(picture.width(), picture.height(), 24);
  for (int y = 0; y < flat.height(); ++y) {
    for (int x = 0; x < flat.width(); ++x) flat.setPixel(x, y, colour);
  }
  const Bitmap back = roundTrip(flat);
  const auto near = [](int a, int b) { return a - b <= 6 && b - a <= 6; };
  for (int y = 0; y < back.height(); ++y) {
    for (int x = 0; x < back.width(); ++x) {
      const Rgb c = back.pixel(x, y);
      require(near(c.r, colour.r) && near(c.g, colour.g) && near(c.b, colour.b));
    }
  }
}

// TIFF 6.0: "II", 42, the IFD on a word boundary, entries in increasing tag order,
// every value an offset points to on a word boundary and inside the file, ASCII
// ending in NUL; the strip holds the picture.
void checkTiff(const Bitmap& picture) {
  MemorySink out;
  writeTiff(out, picture);
  const Bytes& b = out.bytes;
  require(b.size() >= 8 && b[0] == 'I' && b[1] == 'I' && loadLe16(&b[2]) == 42);
  const std::uint32_t ifd = loadLe32(&b[4]);
  require(ifd % 2 == 0 && ifd + 2 <= b.size());
  const unsigned count = loadLe16(&b[ifd]);
  require(ifd + 2 + 12ull * count + 4 == b.size());
  std::uint32_t value[400] = {}, counts[400] = {};
  unsigned previous = 0;
  for (unsigned i = 0; i < count; ++i) {
    const std::uint8_t* e = &b[ifd + 2 + 12 * i];
    const unsigned tag = loadLe16(e), type = loadLe16(e + 2);
    require(tag > previous && tag < 400);
    previous = tag;
    counts[tag] = loadLe32(e + 4);
    value[tag] = type == 3 && counts[tag] == 1 ? loadLe16(e + 8) : loadLe32(e + 8);
    const std::uint64_t bytes = std::uint64_t{counts[tag]} * (type == 2   ? 1
                                                              : type == 3 ? 2
                                                              : type == 4 ? 4
                                                                          : 8);
    if (bytes > 4) require(value[tag] % 2 == 0 && value[tag] + bytes <= ifd);
  }
  require(counts[305] >= 1 && b[value[305] + counts[305] - 1] == 0);
  const std::uint32_t width = value[256], height = value[257];
  require(width == static_cast<std::uint32_t>(picture.width()) &&
          height == static_cast<std::uint32_t>(picture.height()));
  require(value[273] + std::uint64_t{value[279]} <= ifd);
  const std::uint8_t* strip = &b[value[273]];
  if (value[262] == 2) {
    require(value[279] == 3 * width * height);
    for (std::uint32_t y = 0; y < height; ++y) {
      for (std::uint32_t x = 0; x < width; ++x, strip += 3) {
        require(picture.pixel(static_cast<int>(x), static_cast<int>(y)) ==
                (Rgb{strip[0], strip[1], strip[2]}));
      }
    }
    return;
  }
  const unsigned bits = value[258], colours = 1u << bits;
  require(value[262] == 3 && counts[320] == 3 * colours);
  const std::uint8_t* map = &b[value[320]];
  const auto component = [&](unsigned plane, unsigned index) {
    const unsigned v = loadLe16(map + 2 * (plane * colours + index));
    require(v % 257 == 0);  // 0..255 spread over 0..65535
    return static_cast<std::uint8_t>(v / 257);
  };
  const std::uint32_t rowBytes = bits == 8 ? width : (width + 1) / 2;
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint8_t* row = strip + y * rowBytes;
    if (bits == 4 && width % 2 == 1) require((row[rowBytes - 1] & 0x0F) == 0);
    for (std::uint32_t x = 0; x < width; ++x) {
      const unsigned index = bits == 8 ? row[x] : (x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4);
      const Rgb c{component(0, index), component(1, index), component(2, index)};
      require(picture.pixel(static_cast<int>(x), static_cast<int>(y)) == c);
    }
  }
}

void checkEmf(const Bitmap& picture) {
  MemorySink out;
  writeEmf(picture, ReferenceScreen{}, out);
  requireSamePixels(readMetafile(out.bytes.data(), out.bytes.size()), picture);
}

// An AVI file of one to three frames of the picture at 8 bits, walked as RIFF.
void checkAvi(const Bitmap& picture, Input& in) {
  static const std::string path = (std::filesystem::temp_directory_path() /
                                   ("snaprill-fuzz-" + std::to_string(::getpid()) + ".avi"))
                                      .string();
  const Bitmap frame = picture.convertedTo(8);
  const std::vector<std::uint8_t> bits = bitmapBits8(frame);
  const int frames = 1 + in.next() % 3;
  {
    // Any refusal raises, and an exception here ends the run as a finding.
    AviFile avi(path);
    AviStreamInfo info;
    info.fccType = fourcc("vids");
    info.rate = 65;
    info.scale = 1 + in.next();
    info.suggestedBufferSize = static_cast<std::uint32_t>(bits.size());
    info.frame = Rect{0, 0, frame.width(), frame.height()};
    avi.createStream(info);
    avi.setFormat(bitmapInfo8(frame));
    for (int i = 0; i < frames; ++i) avi.write(i, bits.data(), bits.size(), kAviKeyFrame);
    avi.close();
  }
  const std::string file = readWholeFile(path, std::size_t{64} << 20);
  std::filesystem::remove(path);
  const auto* b = reinterpret_cast<const std::uint8_t*>(file.data());
  require(file.size() >= 12 && loadLe32(b) == fourcc("RIFF") && loadLe32(b + 8) == fourcc("AVI "));
  require(loadLe32(b + 4) + 8ull == file.size());
  // Chunks inside 'RIFF' and each 'LIST' must tile their parent exactly.
  int frameChunks = 0, indexEntries = -1;
  struct Walker {
    const std::uint8_t* b;
    int& frames;
    int& index;
    std::size_t frameBytes;
    void walk(std::size_t at, std::size_t end) {
      while (at < end) {
        require(end - at >= 8);
        const std::uint32_t id = loadLe32(b + at), size = loadLe32(b + at + 4);
        require(size <= end - at - 8);
        if (id == fourcc("LIST")) {
          require(size >= 4);
          walk(at + 12, at + 8 + size);
        } else if (id == fourcc("00db")) {
          require(size == frameBytes);
          ++frames;
        } else if (id == fourcc("idx1")) {
          require(size % 16 == 0);
          index = static_cast<int>(size / 16);
        }
        at += 8 + size + (size & 1);
      }
      require(at == end);
    }
  } walker{b, frameChunks, indexEntries, bits.size()};
  walker.walk(12, file.size());
  require(frameChunks == frames && indexEntries == frames);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const Bitmap picture = randomPicture(in);
  checkBmpPngPcxTarga(picture, in);
  checkGif(picture, in);
  checkJpeg(picture, in);
  checkTiff(picture);
  checkEmf(picture);
  checkAvi(picture, in);
  return 0;
}
