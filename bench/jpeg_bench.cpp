// JPEG in strips beside one piece, in process, on screenshot-like captures: the wall
// time (what the user waits), the CPU time of all threads (what the strips cost) and
// the size, for strips of several heights on every processor. Where strips start to
// pay, and which height shares the work best. Medians; runs interleaved, so that each
// way sees the same load. Prints, never fails.
//
// usage: jpeg_bench [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "base/worker_thread.h"
#include "formats/jpeg/jpeg.h"
#include "screenshot_like.h"

namespace {

struct CountingSink : snaprill::ByteSink {
  void write(const void*, std::size_t size) override { bytes += size; }
  std::size_t bytes = 0;
};

double processCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  const int processors = snaprill::usableProcessors();
  const int heights[] = {0, 2, 4, 8, 16};  // rows of blocks per strip; 0: one piece
  std::printf(
      "JPEG q90 in strips on %d processors: medians of %d runs, wall ms (cpu ms), "
      "size / one piece\n%-10s",
      processors, runs, "size");
  std::printf(" %15s", "one piece");
  for (int h : heights)
    if (h > 0) std::printf(" %10d rows %6s", h * 16, "size");
  std::printf("\n");
  for (const auto& size : {std::pair{1280, 720}, std::pair{1920, 1080}, std::pair{2560, 1440},
                           std::pair{3840, 2160}, std::pair{7680, 4320}}) {
    const snaprill::Bitmap picture = snaprill::bench::screenshotLike(size.first, size.second);
    std::vector<std::vector<double>> wall(std::size(heights)), cpu(std::size(heights));
    std::vector<std::size_t> bytes(std::size(heights));
    for (int i = 0; i < runs; ++i)
      for (std::size_t k = 0; k < std::size(heights); ++k) {
        const snaprill::JpegStrips strips{heights[k], heights[k] ? processors : 1};
        CountingSink sink;
        const double startCpu = processCpuMs();
        const auto start = std::chrono::steady_clock::now();
        snaprill::writeJpeg(picture, 90, sink, nullptr, &strips);
        wall[k].push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        cpu[k].push_back(processCpuMs() - startCpu);
        bytes[k] = sink.bytes;
      }
    std::printf("%4dx%-5d %6.1f (%6.1f)", size.first, size.second, median(wall[0]), median(cpu[0]));
    for (std::size_t k = 1; k < std::size(heights); ++k)
      std::printf(" %6.1f (%6.1f) %6.4f", median(wall[k]), median(cpu[k]),
                  double(bytes[k]) / double(bytes[0]));
    std::printf("\n");
  }
  return 0;
}
