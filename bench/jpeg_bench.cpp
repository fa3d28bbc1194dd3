// JPEG encoding time of WriteJpeg on screenshot-like 32-bit captures: in one strip
// on this thread, in one strip per core, and as WriteJpeg does it, beside libjpeg
// called directly with the same parameters but without restart markers (what
// `cjpeg -dct float -quality 90 -baseline` does inside its process). Wall-clock
// medians of runs taken in turns; the sizes show what the restart markers cost.
// Prints; never fails.
// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "codecs/jpeg.h"
#include "codecs/jpeg_strips.h"
#include "screenshot_like.h"

namespace {

using snaprill::Bitmap;

struct CountingSink : snaprill::ByteSink {
  void write(const void*, std::size_t size) override { bytes += size; }
  std::size_t bytes = 0;
};

struct CountingDestination {
  jpeg_destination_mgr pub;
  std::vector<JOCTET> buffer = std::vector<JOCTET>(64 * 1024);
  std::size_t bytes = 0;
};

void restart(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<CountingDestination*>(cinfo->dest);
  d->pub.next_output_byte = d->buffer.data();
  d->pub.free_in_buffer = d->buffer.size();
}

boolean countFull(j_compress_ptr cinfo) {
  reinterpret_cast<CountingDestination*>(cinfo->dest)->bytes += 64 * 1024;
  restart(cinfo);
  return TRUE;
}

void countRest(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<CountingDestination*>(cinfo->dest);
  d->bytes += d->buffer.size() - d->pub.free_in_buffer;
}

std::size_t plainLibjpeg(const Bitmap& picture, int quality) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  CountingDestination dest;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  dest.pub.init_destination = restart;
  dest.pub.empty_output_buffer = countFull;
  dest.pub.term_destination = countRest;
  cinfo.dest = &dest.pub;
  cinfo.image_width = static_cast<JDIMENSION>(picture.width());
  cinfo.image_height = static_cast<JDIMENSION>(picture.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  cinfo.input_components = 4;
  cinfo.in_color_space = JCS_EXT_BGRX;
  cinfo.dct_method = JDCT_FLOAT;
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPLE*>(picture.row(static_cast<int>(cinfo.next_scanline)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return dest.bytes;
}

std::size_t ours(const Bitmap& picture, int quality, int strips, int threads) {
  CountingSink sink;
  snaprill::WriteJpegInStrips(picture, quality, sink, strips, threads);
  return sink.bytes;
}

double milliseconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  const int quality = 90;
  std::printf("quality %d, %d cores, medians of %d runs (wall clock)\n", quality, cores, runs);
  // "per core": one strip per core; "WriteJpeg": what the program does (several
  // strips per core, taken by whichever thread is free).
  std::printf("%-10s %9s %9s %9s %9s %9s %9s %10s %10s %8s\n", "size", "plain ms", "1 strip",
              "per core", "WriteJpeg", "n/1", "n/plain", "plain B", "ours B", "markers");
  const std::pair<int, int> sizes[] = {{640, 480}, {1280, 720}, {1920, 1080}, {3840, 2160}};
  for (const auto& [w, h] : sizes) {
    const Bitmap picture = snaprill::bench::screenshotLike(w, h);
    std::size_t plainBytes = 0, ourBytes = 0;
    std::vector<double> plain, one, halves, many;
    CountingSink sink;
    for (int i = 0; i < runs; ++i) {
      plain.push_back(milliseconds([&] { plainBytes = plainLibjpeg(picture, quality); }));
      one.push_back(milliseconds([&] { ourBytes = ours(picture, quality, 1, 1); }));
      halves.push_back(milliseconds([&] { ours(picture, quality, cores, cores); }));
      many.push_back(milliseconds([&] { snaprill::WriteJpeg(picture, quality, sink); }));
    }
    const double p = median(plain), o = median(one), hv = median(halves), m = median(many);
    std::printf("%4dx%-5d %9.2f %9.2f %9.2f %9.2f %9.3f %9.3f %10zu %10zu %7.2f%%\n", w, h, p, o,
                hv, m, m / o, m / p, plainBytes, ourBytes,
                100.0 * (static_cast<double>(ourBytes) / static_cast<double>(plainBytes) - 1));
  }
  return 0;
}
