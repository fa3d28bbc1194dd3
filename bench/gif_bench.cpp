// GIF output benchmark helper.
//   gif_bench make WIDTH HEIGHT OUT.ppm   writes a screenshot-like picture
//   gif_bench encode IN.ppm OUT.gif       saves it as a GIF frame the way a capture is
//                                         saved (octree palette with system colours,
//                                         Floyd-Steinberg, LZW, file)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "formats/gif/gif_image.h"
#include "io/atomic_file.h"

using namespace snaprill;

namespace {

// Desktop, windows with title bars and borders, lines of text made of glyph
// strokes with smoothed edges, and a photo-like gradient with grain.
Bitmap screenshot(int w, int h) {
  Bitmap b(w, h, 32);
  std::mt19937 rng(7);
  const auto fill = [&](int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = std::max(0, y0); y < std::min(h, y1); ++y) {
      std::uint8_t* row = b.row(y);
      for (int x = std::max(0, x0); x < std::min(w, x1); ++x) {
        row[4 * x] = c.b;
        row[4 * x + 1] = c.g;
        row[4 * x + 2] = c.r;
      }
    }
  };
  fill(0, 0, w, h, {58, 110, 165});
  for (int win = 0; win < 6; ++win) {
    const int x0 = static_cast<int>(rng() % static_cast<unsigned>(w / 2));
    const int y0 = static_cast<int>(rng() % static_cast<unsigned>(h / 2));
    const int x1 = x0 + w / 3 + static_cast<int>(rng() % static_cast<unsigned>(w / 4));
    const int y1 = y0 + h / 3 + static_cast<int>(rng() % static_cast<unsigned>(h / 4));
    fill(x0 - 1, y0 - 1, x1 + 1, y1 + 1, {90, 90, 90});
    fill(x0, y0, x1, y1, {240, 240, 240});
    for (int x = x0; x < x1; ++x) {  // title bar gradient
      const auto t = static_cast<std::uint8_t>(255 * (x - x0) / std::max(1, x1 - x0));
      fill(x, y0, x + 1, y0 + 24,
           {static_cast<std::uint8_t>(10 + t / 3), 36, static_cast<std::uint8_t>(106 + t / 2)});
    }
    for (int line = y0 + 36; line + 12 < y1; line += 18) {  // text: glyphs of strokes
      int x = x0 + 8;
      while (x < x1 - 60) {
        const int letters = 2 + static_cast<int>(rng() % 9);
        for (int l = 0; l < letters && x + 7 < x1; ++l, x += 7) {
          const auto shape = static_cast<unsigned>(rng());
          if (shape & 1) fill(x, line, x + 1, line + 11, {30, 30, 30});             // stem
          if (shape & 2) fill(x + 4, line + 3, x + 5, line + 11, {30, 30, 30});     // right stem
          if (shape & 4) fill(x, line + 3, x + 5, line + 4, {30, 30, 30});          // bar
          if (shape & 8) fill(x, line + 10, x + 5, line + 11, {30, 30, 30});        // base
          if (shape & 16) fill(x + 1, line + 2, x + 2, line + 3, {150, 150, 150});  // smoothing
          if (shape & 32) fill(x + 3, line + 9, x + 4, line + 10, {190, 190, 195});
        }
        x += 8;
      }
    }
    if (win == 2) {  // a photo
      for (int y = y0 + 30; y < y1 - 10 && y < h; ++y)
        for (int x = x0 + 10; x < (x0 + x1) / 2 && x < w; ++x) {
          const int grain = static_cast<int>(rng() % 24) - 12;
          const auto ch = [&](int v) {
            return static_cast<std::uint8_t>(std::clamp(v + grain, 0, 255));
          };
          fill(x, y, x + 1, y + 1,
               {ch(x * 255 / w), ch(128 + (y - y0) / 4), ch(200 - x * 100 / w)});
        }
    }
  }
  return b;
}

void writePpm(const Bitmap& b, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::exit(1);
  std::fprintf(f, "P6\n%d %d\n255\n", b.width(), b.height());
  std::vector<std::uint8_t> row(static_cast<std::size_t>(b.width()) * 3);
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) {
      const std::uint8_t* p = b.row(y) + 4 * x;
      row[3 * static_cast<std::size_t>(x)] = p[2];
      row[3 * static_cast<std::size_t>(x) + 1] = p[1];
      row[3 * static_cast<std::size_t>(x) + 2] = p[0];
    }
    std::fwrite(row.data(), 1, row.size(), f);
  }
  std::fclose(f);
}

Bitmap readPpm(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  int w = 0, h = 0, max = 0;
  if (!f || std::fscanf(f, "P6 %d %d %d", &w, &h, &max) != 3 || std::fgetc(f) == EOF) std::exit(1);
  Bitmap b(w, h, 32);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * 3);
  for (int y = 0; y < h; ++y) {
    if (std::fread(row.data(), 1, row.size(), f) != row.size()) std::exit(1);
    std::uint8_t* dst = b.row(y);
    for (int x = 0; x < w; ++x) {
      dst[4 * x] = row[3 * static_cast<std::size_t>(x) + 2];
      dst[4 * x + 1] = row[3 * static_cast<std::size_t>(x) + 1];
      dst[4 * x + 2] = row[3 * static_cast<std::size_t>(x)];
    }
  }
  std::fclose(f);
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 4 && args[0] == "make") {
    writePpm(screenshot(std::atoi(args[1].c_str()), std::atoi(args[2].c_str())), args[3]);
    return 0;
  }
  if (args.size() == 3 && args[0] == "encode") {
    GifImage gif;
    {
      const Bitmap capture = readPpm(args[1]);
      gif.appendFrame(capture);
    }
    AtomicFile file(args[2]);
    gif.saveToStream(file);
    file.commit();
    return 0;
  }
  std::fprintf(stderr, "usage: gif_bench make W H out.ppm | encode in.ppm out.gif\n");
  return 2;
}
