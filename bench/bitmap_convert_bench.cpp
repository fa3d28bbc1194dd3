// Times the pixel-format conversions and the bitmap file writer on a screen-sized
// picture and prints the median of several runs in milliseconds of processor time
// (steadier than wall time on a shared machine; the work is single-threaded).
//
//   bitmap_convert_bench [width height [runs]]     (default 3840 2160 5)
//
// The picture mixes what screenshots hold: flat areas, a few hundred interface
// colours and a photo-like gradient with noise, so both the cached and the searching
// paths of the nearest-colour mapping are exercised.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <vector>

#include "formats/bmp/bmp_file.h"
#include "image/bitmap.h"

namespace {

using snaprill::Bitmap;

Bitmap screenshotLike(int width, int height) {
  Bitmap b(width, height, 32);
  std::uint32_t seed = 12345;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = b.row(y);
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = row + 4 * static_cast<std::size_t>(x);
      seed = seed * 1664525u + 1013904223u;
      if (x < width / 3) {  // flat window background with a few interface colours
        const unsigned c = ((x / 64) + (y / 32)) % 7;
        p[0] = static_cast<std::uint8_t>(200 + c * 7);
        p[1] = static_cast<std::uint8_t>(190 + c * 5);
        p[2] = static_cast<std::uint8_t>(180 + c * 3);
      } else if (x < 2 * width / 3) {  // text-like: black on white
        const bool ink = ((x * 7 + y * 3) % 11) < 2;
        p[0] = p[1] = p[2] = ink ? 0 : 255;
      } else {  // photo: gradient plus noise
        p[0] = static_cast<std::uint8_t>((x + (seed >> 28)) & 0xFF);
        p[1] = static_cast<std::uint8_t>((y + (seed >> 24)) & 0xFF);
        p[2] = static_cast<std::uint8_t>(((x + y) / 2 + (seed >> 26)) & 0xFF);
      }
    }
  }
  return b;
}

double medianMs(int runs, const std::function<void()>& work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const std::clock_t start = std::clock();
    work();
    const std::clock_t end = std::clock();
    times.push_back(1000.0 * static_cast<double>(end - start) / CLOCKS_PER_SEC);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int width = argc > 2 ? std::atoi(argv[1]) : 3840;
  const int height = argc > 2 ? std::atoi(argv[2]) : 2160;
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  const Bitmap source = screenshotLike(width, height);
  std::printf("picture %dx%d, median of %d runs\n", width, height, runs);
  const int depths[] = {24, 16, 8, 4, 1};
  for (const int to : depths) {
    const double ms = medianMs(runs, [&] { (void)source.convertedTo(to); });
    std::printf("convert 32 -> %-2d  %8.1f ms\n", to, ms);
  }
  for (const int from : {24, 16, 8}) {
    const Bitmap lower = source.convertedTo(from);
    const double ms = medianMs(runs, [&] { (void)lower.convertedTo(32); });
    std::printf("convert %-2d -> 32  %8.1f ms\n", from, ms);
  }
  for (const int depth : {32, 24, 8, 1}) {
    const Bitmap picture = source.convertedTo(depth);
    const double ms = medianMs(runs, [&] {
      snaprill::MemorySink sink;
      sink.bytes.reserve(picture.bits().size() + 2048);
      snaprill::writeBmp(picture, sink);
    });
    std::printf("WriteBmp %-2d bits  %8.1f ms\n", depth, ms);
  }
  return 0;
}
