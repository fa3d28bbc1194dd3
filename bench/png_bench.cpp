// PNG encoding time: our encoder beside libpng (filter None, same level) and beside
// zlib's deflate alone on the same filtered rows, for screenshot-like captures.
// Prints medians of the CPU time of several runs and the ratios; never fails.
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <vector>

#include "base/worker_thread.h"
#include "formats/png/png_image.h"
#include "screenshot_like.h"

namespace {

using snaprill::Bitmap;
using snaprill::bench::screenshotLike;

struct CountingSink : snaprill::ByteSink {
  void write(const void*, std::size_t size) override { bytes += size; }
  std::size_t bytes = 0;
};

std::size_t ours(const Bitmap& picture, int level) {
  CountingSink sink;
  snaprill::writePng(picture, level, snaprill::kPngFilterNone, sink);
  return sink.bytes;
}

void countBytes(png_structp png, png_bytep, png_size_t size) {
  *static_cast<std::size_t*>(png_get_io_ptr(png)) += size;
}
void noFlush(png_structp) {}

// libpng as an application would call it on the same 32-bit capture: BGR order and
// the fourth byte stripped by libpng's own transforms.
std::size_t libpng(const Bitmap& picture, int level) {
  std::size_t bytes = 0;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return 0;
  }
  png_set_write_fn(png, &bytes, countBytes, noFlush);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(png, level);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width()),
               static_cast<png_uint_32>(picture.height()), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_bgr(png);
  png_set_filler(png, 0, PNG_FILLER_AFTER);
  for (int y = 0; y < picture.height(); ++y)
    png_write_row(png, const_cast<png_bytep>(picture.row(y)));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return bytes;
}

// The filtered rows (type byte 0, then R G B), prepared before timing.
std::vector<std::uint8_t> filteredRows(const Bitmap& picture) {
  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(picture.height()) * (1 + 3 * std::size_t(picture.width())));
  for (int y = 0; y < picture.height(); ++y) {
    out.push_back(0);
    const std::uint8_t* p = picture.row(y);
    for (int x = 0; x < picture.width(); ++x, p += 4) out.insert(out.end(), {p[2], p[1], p[0]});
  }
  return out;
}

std::size_t deflateAlone(const std::vector<std::uint8_t>& rows, std::size_t rowSize, int level) {
  z_stream s{};
  deflateInit2(&s, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
  std::vector<std::uint8_t> buffer(65535);
  std::size_t bytes = 0;
  for (std::size_t pos = 0; pos <= rows.size(); pos += rowSize) {
    const bool last = pos >= rows.size();
    s.next_in = last ? nullptr : const_cast<Bytef*>(rows.data() + pos);
    s.avail_in = last ? 0 : static_cast<uInt>(rowSize);
    int result;
    do {
      s.next_out = buffer.data();
      s.avail_out = static_cast<uInt>(buffer.size());
      result = deflate(&s, last ? Z_FINISH : Z_NO_FLUSH);
      bytes += buffer.size() - s.avail_out;
    } while (s.avail_out == 0 || (last && result != Z_STREAM_END));
  }
  deflateEnd(&s);
  return bytes;
}

// CPU time of this thread: the machine the benchmarks run on is often shared, and
// wall time would measure the neighbours as well.
double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double seconds(const std::function<void()>& work) {
  const double start = cpuSeconds();
  work();
  return cpuSeconds() - start;
}

double processCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Our encoder with the compression split into parts by hand: the wall time (what
// the user waits), the CPU time of all threads (what the split costs) and the size.
struct SplitRun {
  double wallMs = 0, cpuMs = 0;
  std::size_t bytes = 0;
};

SplitRun split(const Bitmap& picture, int level, const snaprill::DeflateSplit& how) {
  CountingSink sink;
  const double cpu = processCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  snaprill::writePng(picture, level, snaprill::kPngFilterNone, sink, &how);
  SplitRun run;
  run.wallMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  run.cpuMs = (processCpuSeconds() - cpu) * 1000;
  run.bytes = sink.bytes;
  return run;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Parts of several sizes on every processor beside one part on one: where a second
// thread starts to pay, which part size loses least to the joins, and what they cost
// in size. Runs interleaved, so that each split sees the same load.
void splits(int runs) {
  const int processors = snaprill::usableProcessors();
  std::printf(
      "\nsplit into parts on %d processors: medians of %d runs, wall ms (cpu ms), "
      "size / one part\n%-10s %5s %14s",
      processors, runs, "size", "level", "one part");
  const std::size_t partSizes[] = {256 << 10, 512 << 10, 1 << 20, 2 << 20, 4 << 20};
  for (std::size_t part : partSizes) std::printf(" %14zuK %6s", part >> 10, "size");
  std::printf("\n");
  for (const auto& size : {std::pair{640, 480}, std::pair{1280, 720}, std::pair{1920, 1080},
                           std::pair{3840, 2160}, std::pair{7680, 4320}}) {
    const Bitmap picture = screenshotLike(size.first, size.second);
    const std::size_t data = std::size_t(size.second) * (1 + 3 * std::size_t(size.first));
    for (int level : {9, 6, 1, 0}) {
      std::vector<snaprill::DeflateSplit> hows = {{data, 1}};
      for (std::size_t part : partSizes) hows.push_back({part, processors});
      std::vector<std::vector<double>> wall(hows.size()), cpu(hows.size());
      std::vector<std::size_t> bytes(hows.size());
      for (int i = 0; i < runs; ++i)
        for (std::size_t k = 0; k < hows.size(); ++k) {
          const SplitRun run = split(picture, level, hows[k]);
          wall[k].push_back(run.wallMs);
          cpu[k].push_back(run.cpuMs);
          bytes[k] = run.bytes;
        }
      std::printf("%4dx%-5d %5d %6.1f (%5.1f)", size.first, size.second, level, median(wall[0]),
                  median(cpu[0]));
      for (std::size_t k = 1; k < hows.size(); ++k)
        std::printf(" %6.1f (%6.1f) %6.4f", median(wall[k]), median(cpu[k]),
                    double(bytes[k]) / double(bytes[0]));
      std::printf("\n");
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::printf("%-10s %5s %10s %10s %10s %9s %9s %10s %10s\n", "size", "level", "ours s", "libpng s",
              "zlib s", "/libpng", "/zlib", "ours B", "libpng B");
  for (const auto& size : {std::pair{1920, 1080}, std::pair{3840, 2160}}) {
    // Plain variables, not a structured binding: clang before 16 cannot capture one in the
    // lambdas below.
    const int w = size.first, h = size.second;
    const Bitmap picture = screenshotLike(w, h);
    const std::vector<std::uint8_t> rows = filteredRows(picture);
    for (int level : {9, 6, 1}) {
      std::size_t ourBytes = 0, theirBytes = 0;
      // Interleaved so that all three see the same machine load.
      std::vector<double> a, b, c;
      for (int i = 0; i < runs; ++i) {
        a.push_back(seconds([&] { ourBytes = ours(picture, level); }));
        b.push_back(seconds([&] { theirBytes = libpng(picture, level); }));
        c.push_back(seconds([&] { deflateAlone(rows, 1 + 3 * std::size_t(w), level); }));
      }
      for (auto* v : {&a, &b, &c}) std::sort(v->begin(), v->end());
      const double mo = a[a.size() / 2], ml = b[b.size() / 2], mz = c[c.size() / 2];
      std::printf("%4dx%-5d %5d %10.4f %10.4f %10.4f %9.3f %9.3f %10zu %10zu\n", w, h, level, mo,
                  ml, mz, mo / ml, mo / mz, ourBytes, theirBytes);
    }
  }
  splits(runs);
  return 0;
}
