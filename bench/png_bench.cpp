// PNG encoding time: our encoder beside libpng (filter None, same level) and beside
// zlib's deflate alone on the same filtered rows, for screenshot-like captures.
// Prints medians of the CPU time of several runs and the ratios; never fails.
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <vector>

#include "codecs/pngimage.h"

namespace {

using snaprill::Bitmap;

struct CountingSink : snaprill::ByteSink {
  void write(const void*, std::size_t size) override { bytes += size; }
  std::size_t bytes = 0;
};

// Flat desktop, windows with gradient title bars and light client areas, lines of
// small glyph-like marks, and one noisy picture area: what captures look like.
Bitmap screenshotLike(int width, int height) {
  Bitmap b(width, height, 32);
  std::uint32_t state = 12345;
  const auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  const auto fill = [&](int x0, int y0, int x1, int y1, std::uint8_t r, std::uint8_t g,
                        std::uint8_t bl) {
    for (int y = std::max(0, y0); y < std::min(height, y1); ++y) {
      std::uint8_t* row = b.row(y);
      for (int x = std::max(0, x0); x < std::min(width, x1); ++x) {
        row[4 * x] = bl;
        row[4 * x + 1] = g;
        row[4 * x + 2] = r;
      }
    }
  };
  fill(0, 0, width, height, 0, 99, 140);
  for (int w = 0; w < 6; ++w) {
    const int x0 = static_cast<int>(next() % static_cast<unsigned>(width * 2 / 3));
    const int y0 = static_cast<int>(next() % static_cast<unsigned>(height * 2 / 3));
    const int x1 = x0 + width / 3, y1 = y0 + height / 3;
    fill(x0, y0, x1, y1, 240, 240, 240);
    for (int y = y0; y < y0 + 24; ++y)
      fill(x0, y, x1, y + 1, 10, static_cast<std::uint8_t>(std::min(255, 60 + (y - y0) * 4)), 200);
    for (int line = y0 + 32; line + 12 < y1; line += 16)
      for (int x = x0 + 6; x + 8 < x1; x += 7)
        if (next() % 6 != 0)
          for (int dot = 0; dot < 14; ++dot)
            if (next() % 3 == 0)
              fill(x + dot % 5, line + dot % 11, x + dot % 5 + 1, line + dot % 11 + 1, 0, 0, 0);
  }
  const int px = width / 2, py = height / 2;
  for (int y = py; y < std::min(height, py + height / 6); ++y) {
    std::uint8_t* row = b.row(y);
    for (int x = px; x < std::min(width, px + width / 6); ++x) {
      const std::uint32_t n = next();
      row[4 * x] = static_cast<std::uint8_t>(x + (n & 15));
      row[4 * x + 1] = static_cast<std::uint8_t>(y + (n >> 4 & 15));
      row[4 * x + 2] = static_cast<std::uint8_t>((x ^ y) + (n >> 8 & 15));
    }
  }
  return b;
}

std::size_t ours(const Bitmap& picture, int level) {
  CountingSink sink;
  snaprill::WritePng(picture, level, snaprill::kPngFilterNone, sink);
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

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::printf("%-10s %5s %10s %10s %10s %9s %9s %10s %10s\n", "size", "level", "ours s", "libpng s",
              "zlib s", "/libpng", "/zlib", "ours B", "libpng B");
  for (const auto& [w, h] : {std::pair{1920, 1080}, std::pair{3840, 2160}}) {
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
  return 0;
}
