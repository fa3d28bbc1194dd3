// Reading a clipboard screenshot: our PNG capture reader beside Qt's general image
// reader (the clipboard's fallback) on the same file, and beside libdeflate's inflate
// alone, which bounds what any reader built on it can reach. Medians of the wall time
// of several runs, in one run; never fails.
//
// usage: png_capture_bench FILE.png [RUNS]
#include <libdeflate.h>

#include <QByteArray>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>
#include <vector>

#include "backends/qt/qimage_bitmap.h"
#include "base/byte_sink.h"
#include "bench_support.h"
#include "formats/jpeg/jpeg.h"
#include "formats/png/png_capture_reader.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: png_capture_bench FILE.png [RUNS]\n");
    return 2;
  }
  const int runs = argc > 2 ? std::atoi(argv[2]) : 15;
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
  std::size_t rowBytes = 0;
  const std::vector<std::uint8_t> data = snaprill::bench::pngImageData(file, rowBytes);
  std::vector<std::uint8_t> rows(rowBytes);
  libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
  const QByteArray bytes(reinterpret_cast<const char*>(file.data()),
                         static_cast<qsizetype>(file.size()));

  const double ours = snaprill::bench::medianMs(runs, [&] {
    if (snaprill::decodePngCapture(file.data(), file.size()).empty()) std::abort();
  });
  const double qt = snaprill::bench::medianMs(runs, [&] {
    if (snaprill::bitmapFromQImage(QImage::fromData(bytes, "PNG")).empty()) std::abort();
  });
  const double inflate = snaprill::bench::medianMs(runs, [&] {
    libdeflate_zlib_decompress(inflater, data.data(), data.size(), rows.data(), rows.size(),
                               nullptr);
  });
  libdeflate_free_decompressor(inflater);
  std::printf(
      "PNG %zu KiB -> capture: ours %.2f ms, Qt %.2f ms (%.1fx faster); libdeflate inflate "
      "alone %.2f ms\n",
      file.size() / 1024, ours, qt, qt / ours, inflate);

  // Capture to JPEG at quality 90: the whole picture first, or the JPEG writer
  // taking the rows as they are decoded. Hot, and after 100 ms of idle as a tray
  // program is before each capture.
  const auto toJpeg = [&](bool streaming) {
    snaprill::MemorySink sink;
    snaprill::ArrivingRows arriving;
    const snaprill::Bitmap picture =
        streaming ? snaprill::decodePngCapture(file.data(), file.size(), arriving)
                  : snaprill::decodePngCapture(file.data(), file.size());
    snaprill::writeJpeg(picture, 90, sink, &arriving);
    arriving.complete();  // before the picture is freed
  };
  const auto idleFirst = [&](bool streaming) {
    return [&, streaming] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      const auto start = std::chrono::steady_clock::now();
      toJpeg(streaming);
      return std::chrono::steady_clock::now() - start;
    };
  };
  const double whole = snaprill::bench::medianMs(runs, [&] { toJpeg(false); });
  const double streamed = snaprill::bench::medianMs(runs, [&] { toJpeg(true); });
  const double wholeIdle = snaprill::bench::medianOf(runs, idleFirst(false));
  const double streamedIdle = snaprill::bench::medianOf(runs, idleFirst(true));
  std::printf(
      "PNG -> JPEG 90: whole picture first %.2f ms, rows streamed %.2f ms (%.2fx); after 100 ms "
      "idle %.2f and %.2f ms (%.2fx)\n",
      whole, streamed, streamed / whole, wholeIdle, streamedIdle, streamedIdle / wholeIdle);
}
