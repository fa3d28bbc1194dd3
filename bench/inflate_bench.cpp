// Inflating a screenshot's PNG data: our streaming inflater (without progress reports and
// with one every 64 KiB) beside libdeflate, which cannot stream, and zlib's inflate, which
// can but is slow on screenshots. The data is the filtered RGB rows of the screenshot-like
// picture, each row's filter chosen as adaptive PNG encoders do, compressed by zlib at
// level 6; or the joined IDAT data of a PNG file given. Medians of several runs in one run;
// never fails.
//
// usage: inflate_bench [FILE.png] [RUNS]
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include "bench_support.h"
#include "formats/png/png_filters.h"
#include "formats/zlib/zlib_inflate.h"
#include "screenshot_like.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Each row's filter is the one whose bytes, taken as signed, sum to the least: the
// heuristic the PNG format recommends and adaptive encoders use.
Bytes filteredRows(const snaprill::Bitmap& picture) {
  const std::size_t width = static_cast<std::size_t>(picture.width());
  const std::size_t rowBytes = 3 * width;
  Bytes rows, prior(rowBytes, 0), current(rowBytes), candidate(rowBytes), best(rowBytes);
  for (int y = 0; y < picture.height(); ++y) {
    const std::uint8_t* bgrx = picture.row(y);
    for (std::size_t x = 0; x < width; ++x) {
      current[3 * x] = bgrx[4 * x + 2];
      current[3 * x + 1] = bgrx[4 * x + 1];
      current[3 * x + 2] = bgrx[4 * x];
    }
    std::uint64_t bestSum = ~std::uint64_t{0};
    std::uint8_t bestType = 0;
    for (std::uint8_t type = 0; type <= snaprill::png::kPaeth; ++type) {
      snaprill::png::filterRow(type, current.data(), prior.data(), candidate.data(), rowBytes, 3);
      std::uint64_t sum = 0;
      for (const std::uint8_t b : candidate) sum += b < 128 ? b : 256u - b;
      if (sum < bestSum) {
        bestSum = sum;
        bestType = type;
        best = candidate;
      }
    }
    rows.push_back(bestType);
    rows.insert(rows.end(), best.begin(), best.end());
    prior = current;
  }
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  Bytes data;
  std::size_t outputSize = 0;
  int runs = 31;
  if (argc > 1 && std::atoi(argv[1]) == 0) {
    std::ifstream in(argv[1], std::ios::binary);
    const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    data = snaprill::bench::pngImageData(file, outputSize);
    if (argc > 2) runs = std::atoi(argv[2]);
  } else {
    const Bytes rows = filteredRows(snaprill::bench::screenshotLike(1920, 1080));
    uLongf size = compressBound(static_cast<uLong>(rows.size()));
    data.resize(size);
    compress2(data.data(), &size, rows.data(), static_cast<uLong>(rows.size()), 6);
    data.resize(size);
    outputSize = rows.size();
    if (argc > 1) runs = std::atoi(argv[1]);
  }
  runs = std::max(runs, 1);
  Bytes expected(outputSize), output(outputSize);
  libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
  if (libdeflate_zlib_decompress(decompressor, data.data(), data.size(), expected.data(),
                                 outputSize, nullptr) != LIBDEFLATE_SUCCESS) {
    std::fprintf(stderr, "libdeflate cannot inflate the data\n");
    return 1;
  }

  const double libdeflate = snaprill::bench::medianMs(runs, [&] {
    libdeflate_zlib_decompress(decompressor, data.data(), data.size(), output.data(), outputSize,
                               nullptr);
  });
  const double zlib = snaprill::bench::medianMs(runs, [&] {
    z_stream s{};
    inflateInit(&s);
    s.next_in = data.data();
    s.avail_in = static_cast<uInt>(data.size());
    s.next_out = output.data();
    s.avail_out = static_cast<uInt>(outputSize);
    if (inflate(&s, Z_FINISH) != Z_STREAM_END) std::abort();
    inflateEnd(&s);
  });
  bool same = true;
  const double ours = snaprill::bench::medianMs(
      runs, [&] { same &= snaprill::inflateZlib(data, output.data(), outputSize, 0, {}); });
  same &= output == expected;
  std::size_t reports = 0;
  const snaprill::InflateProgress progress = [&reports](std::size_t) { ++reports; };
  const double oursStreaming = snaprill::bench::medianMs(runs, [&] {
    same &= snaprill::inflateZlib(data, output.data(), outputSize, 64 << 10, progress);
  });
  same &= output == expected;
  libdeflate_free_decompressor(decompressor);

  std::printf("zlib data %zu KiB -> %zu KiB, %d runs%s\n", data.size() / 1024, outputSize / 1024,
              runs, same ? "" : "  OUTPUT DIFFERS");
  std::printf("  libdeflate          %6.2f ms\n", libdeflate);
  std::printf("  zlib inflate        %6.2f ms\n", zlib);
  std::printf("  ours                %6.2f ms  %.2fx libdeflate, zlib %.1fx slower\n", ours,
              ours / libdeflate, zlib / ours);
  std::printf("  ours, 64 KiB steps  %6.2f ms  %.2fx libdeflate, zlib %.1fx slower (%zu reports)\n",
              oursStreaming, oursStreaming / libdeflate, zlib / oursStreaming,
              reports / static_cast<std::size_t>(runs));
  return same ? 0 : 1;
}
