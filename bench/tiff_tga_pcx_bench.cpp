// Speed of the TIFF, Targa and PCX writers.
//
//   tiff_tga_pcx_bench convert FORMAT in.ppm out   one whole-process conversion, as
//                                                  `convert in.ppm out` would do
//   tiff_tga_pcx_bench encode in.ppm RUNS          median in-process encode times
// FORMAT: tif, tga or pcx (a 32-bit capture, as the capture cycle hands it over).
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "base/unaligned.h"
#include "formats/pcx/pcx.h"
#include "formats/targa/targa.h"
#include "formats/tiff/tiff_writer.h"
#include "io/atomic_file.h"

namespace {

using namespace snaprill;

// R G B in the low three bytes of a word (little-endian) to a B G R X pixel word.
std::uint32_t bgrxOf(std::uint32_t rgb) {
  return __builtin_bswap32(rgb << 8);
}

// Reads the PPM through one small buffer straight into the 32-bit capture, so that
// the only picture-sized memory is the capture itself.
class PpmReader {
 public:
  explicit PpmReader(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY)) {
    if (fd_ < 0) throw std::runtime_error("cannot open " + path);
  }
  ~PpmReader() { ::close(fd_); }
  PpmReader(const PpmReader&) = delete;
  PpmReader& operator=(const PpmReader&) = delete;

  Bitmap read() {
    fill(64);
    const std::string head(reinterpret_cast<const char*>(buffer_.data()), end_);
    int w = 0, h = 0, maxval = 0, used = 0;
    if (std::sscanf(head.c_str(), "P6 %d %d %d%n", &w, &h, &maxval, &used) != 3 ||
        used + 1 > static_cast<int>(end_) || w <= 0 || h <= 0 || maxval != 255) {
      throw std::runtime_error("not an 8-bit binary PPM");
    }
    pos_ = static_cast<std::size_t>(used) + 1;
    Bitmap picture(w, h, 32);
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(w);
    if (buffer_.size() < rowBytes) buffer_.resize(rowBytes);
    for (int y = 0; y < h; ++y) {
      fill(rowBytes);
      const std::uint8_t* p = buffer_.data() + pos_;
      std::uint8_t* d = picture.row(y);
      int x = 0;
      // Four R G B pixels (three words) at a time become four B G R X words.
      for (; x + 4 <= w; x += 4, p += 12, d += 16) {
        const std::uint32_t a = load32(p), b = load32(p + 4), c = load32(p + 8);
        store32(d, bgrxOf(a));
        store32(d + 4, bgrxOf((a >> 24) | (b << 8)));
        store32(d + 8, bgrxOf((b >> 16) | (c << 16)));
        store32(d + 12, bgrxOf(c >> 8));
      }
      for (; x < w; ++x, p += 3, d += 4) {
        d[0] = p[2];
        d[1] = p[1];
        d[2] = p[0];
      }
      pos_ += rowBytes;
    }
    return picture;
  }

 private:
  // Makes at least n unread bytes available from pos_ on.
  void fill(std::size_t n) {
    if (end_ - pos_ >= n) return;
    std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
    while (end_ < n) {
      const ssize_t got = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
      if (got < 0) throw std::runtime_error("read error");
      if (got == 0) throw std::runtime_error("PPM truncated");
      end_ += static_cast<std::size_t>(got);
    }
  }

  int fd_;
  std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(std::size_t{256} << 10);
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
};

Bitmap readPpm(const std::string& path) {
  return PpmReader(path).read();
}

void write(const std::string& format, const Bitmap& capture, ByteSink& out) {
  if (format == "tif") {
    writeTiff(out, capture);
  } else if (format == "tga") {
    writeTarga(capture, 5, out);
  } else if (format == "pcx") {
    writePcx(capture, out);
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
        // One sink for all runs: its memory is touched once, so the times are the
        // encoder's own (a file sink never reallocates).
        MemorySink sink;
        for (int i = 0; i < runs; ++i) {
          sink.bytes.clear();
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
