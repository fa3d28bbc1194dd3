// Speed of the TIFF, Targa and PCX writers.
//
//   tiff_tga_pcx_bench convert FORMAT in.ppm out   one whole-process conversion, as
//                                                  `convert in.ppm out` would do
//   tiff_tga_pcx_bench encode in.ppm RUNS          median in-process encode times
// FORMAT: tif, tga or pcx (a 32-bit capture, as the capture cycle hands it over).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "codecs/Bmp2Tiff.h"
#include "codecs/PCXImage.h"
#include "codecs/TargaImage.h"
#include "platform/atomic_file.h"

namespace {

using namespace snaprill;

Bitmap readPpm(const std::string& path) {
  const std::string bytes = readWholeFile(path, std::size_t{1} << 30);
  int w = 0, h = 0, maxval = 0, used = 0;
  if (std::sscanf(bytes.c_str(), "P6 %d %d %d%n", &w, &h, &maxval, &used) != 3) {
    throw std::runtime_error("not a binary PPM");
  }
  Bitmap picture(w, h, 32);
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data()) + used + 1;
  if (bytes.size() < static_cast<std::size_t>(used + 1) + 3 * std::size_t(w) * std::size_t(h)) {
    throw std::runtime_error("PPM truncated");
  }
  for (int y = 0; y < h; ++y) {
    std::uint8_t* d = picture.row(y);
    for (int x = 0; x < w; ++x, p += 3, d += 4) {
      d[0] = p[2];
      d[1] = p[1];
      d[2] = p[0];
    }
  }
  return picture;
}

void write(const std::string& format, const Bitmap& capture, ByteSink& out) {
  if (format == "tif") {
    WriteTiffStream(out, capture);
  } else if (format == "tga") {
    TTarga targa;
    targa.TargaFormat = 5;
    targa.Assign(capture);
    targa.SaveToStream(out);
  } else if (format == "pcx") {
    TPCXImage pcx;
    pcx.Assign(capture);
    pcx.SaveToStream(out);
  } else {
    throw std::runtime_error("unknown format " + format);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> a(argv + 1, argv + argc);
  try {
    if (a.size() == 4 && a[0] == "convert") {
      const Bitmap capture = readPpm(a[2]);
      AtomicFile file(a[3]);
      write(a[1], capture, file);
      file.commit();
      return 0;
    }
    if (a.size() == 3 && a[0] == "encode") {
      const Bitmap capture = readPpm(a[1]);
      const int runs = std::max(1, std::stoi(a[2]));
      for (const char* format : {"tif", "tga", "pcx"}) {
        std::vector<double> ms;
        std::size_t bytes = 0;
        for (int i = 0; i < runs; ++i) {
          MemorySink sink;
          const auto start = std::chrono::steady_clock::now();
          write(format, capture, sink);
          ms.push_back(
              std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                  .count());
          bytes = sink.bytes.size();
        }
        std::sort(ms.begin(), ms.end());
        std::cout << format << " encode " << ms[ms.size() / 2] << " ms, " << bytes << " bytes\n";
      }
      return 0;
    }
  } catch (const std::exception& e) {
    std::cerr << "error: " << e.what() << "\n";
    return 1;
  }
  std::cerr << "usage: tiff_tga_pcx_bench convert FORMAT in.ppm out | encode in.ppm RUNS\n";
  return 2;
}
