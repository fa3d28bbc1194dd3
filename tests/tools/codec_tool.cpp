// Command-line access to the TIFF, Targa and PCX codecs for the decoder checks and
// the benchmark, which run outside the test binaries.
//
//   codec_tool encode MODE in.ppm out [expected.ppm]
//       MODE: tiff0 tiff1 tiff2 (the TIFF depth entries), tga, tgabw, pcx. The picture
//       becomes a 32-bit capture, gets the same pixel-format conversion as in the
//       capture cycle and is written to out; expected.ppm receives the colours of
//       the converted capture.
//   codec_tool decode KIND in out.ppm
//       KIND: tga or pcx, or any: whatever the picture loader makes of the file.
// Pictures go in and out as binary PPM (P6, maximum 255).
// Exit status: 0 done, 1 the codec raised an error, 2 bad usage.
#include <cstdio>
#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "formats/loader/picture_loader.h"
#include "formats/pcx/pcx.h"
#include "formats/targa/targa.h"
#include "formats/tiff/tiff_writer.h"
#include "io/atomic_file.h"

namespace {

using namespace snaprill;

constexpr std::size_t kMaxInput = std::size_t{1} << 30;

Bitmap readPpm(const std::string& path) {
  const std::string bytes = readWholeFile(path, kMaxInput);
  int w = 0, h = 0, maxval = 0, used = 0;
  if (std::sscanf(bytes.c_str(), "P6 %d %d %d%n", &w, &h, &maxval, &used) != 3 || maxval != 255) {
    throw std::runtime_error("not a binary PPM");
  }
  const std::size_t start = static_cast<std::size_t>(used) + 1;
  Bitmap picture(w, h, 24);
  if (bytes.size() < start + 3 * static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {
    throw std::runtime_error("PPM truncated");
  }
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data()) + start;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x, p += 3) picture.setPixel(x, y, {p[0], p[1], p[2]});
  }
  return picture;
}

void writePpm(const std::string& path, const Bitmap& picture) {
  AtomicFile file(path);
  const std::string head =
      "P6\n" + std::to_string(picture.width()) + " " + std::to_string(picture.height()) + "\n255\n";
  file.write(head.data(), head.size());
  std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(picture.width()));
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const Rgb c = picture.pixel(x, y);
      row[3 * static_cast<std::size_t>(x)] = c.r;
      row[3 * static_cast<std::size_t>(x) + 1] = c.g;
      row[3 * static_cast<std::size_t>(x) + 2] = c.b;
    }
    file.write(row.data(), row.size());
  }
  file.commit();
}

Bitmap decodeFile(const std::string& kind, const std::string& path) {
  const std::string bytes = readWholeFile(path, kMaxInput);
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  if (kind == "tga") return readTarga(data, bytes.size());
  if (kind == "pcx") return readPcx(data, bytes.size());
  if (kind == "any") return readPicture(data, bytes.size());
  throw std::invalid_argument("unknown kind " + kind);
}

int encode(const std::string& mode, const std::string& in, const std::string& out,
           const std::string& expected) {
  Bitmap capture = readPpm(in).convertedTo(32);
  AtomicFile file(out);
  if (mode.rfind("tiff", 0) == 0 && mode.size() == 5) {
    constexpr int kFormats[] = {32, 8, 4};
    const int entry = mode[4] - '0';
    if (entry < 0 || entry > 2) return 2;
    capture.convertTo(kFormats[entry]);
    writeTiff(file, capture);
  } else if (mode == "tga" || mode == "tgabw") {
    if (mode == "tgabw") capture.convertTo(1);
    writeTarga(capture, 5, file);
  } else if (mode == "pcx") {
    writePcx(capture, file);
  } else {
    return 2;
  }
  file.commit();
  if (!expected.empty()) writePpm(expected, capture);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> a(argv + 1, argv + argc);
  try {
    if (a.size() >= 4 && a.size() <= 5 && a[0] == "encode") {
      const int rc = encode(a[1], a[2], a[3], a.size() == 5 ? a[4] : "");
      if (rc == 2) std::cerr << "unknown mode " << a[1] << "\n";
      return rc;
    }
    if (a.size() == 4 && a[0] == "decode") {
      writePpm(a[3], decodeFile(a[1], a[2]));
      return 0;
    }
  } catch (const std::exception& e) {
    std::cerr << "error: " << e.what() << "\n";
    return 1;
  }
  std::cerr << "usage: codec_tool encode MODE in.ppm out [expected.ppm] | decode KIND in out.ppm\n";
  return 2;
}
