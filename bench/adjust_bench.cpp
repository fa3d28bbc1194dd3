// Times each capture adjustment on a screenshot-like 3840 x 2160 capture.
//
//   adjust_bench [--runs N] [--write-input FILE.ppm] [--write-overlay FILE.ppm]
//
// Prints one line per adjustment: name and the median milliseconds of N runs. The
// input picture (and the overlay) can be written as PPM files so that another tool
// can be timed on exactly the same pixels.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "capture/adjustments.h"
#include "capture/colour_effects.h"
#include "fakes/fakes.h"
#ifdef SNAPRILL_QT_TEXT
#include "backends/qt/qt_text_renderer.h"
#endif

namespace {

using namespace snaprill;

// Flat desktop, a few windows with title bars, and lines of small glyph-like marks.
Bitmap screenshot(int w, int h) {
  Bitmap b(w, h, 32);
  unsigned seed = 7;
  const auto rnd = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
  const auto fill = [&b](int x0, int y0, int x1, int y1, std::uint32_t c) {
    for (int y = std::max(0, y0); y < std::min(b.height(), y1); ++y)
      for (int x = std::max(0, x0); x < std::min(b.width(), x1); ++x)
        std::memcpy(b.row(y) + 4 * x, &c, 4);
  };
  fill(0, 0, w, h, 0x3A6EA5);
  for (int i = 0; i < 6; ++i) {
    const int x = static_cast<int>(rnd() % (w - 1200)), y = static_cast<int>(rnd() % (h - 900));
    fill(x, y, x + 1200, y + 900, 0xF0F0F0);
    fill(x, y, x + 1200, y + 30, 0x0A246A);
    for (int line = y + 50; line < y + 880; line += 18)
      for (int c = x + 10; c < x + 1180; c += 8)
        if (rnd() % 5 != 0) fill(c, line, c + 6, line + 11, (rnd() % 3 == 0) ? 0x000000 : 0x202020);
  }
  return b;
}

void writePpm(const Bitmap& b, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << b.width() << ' ' << b.height() << "\n255\n";
  std::vector<char> row(3 * static_cast<std::size_t>(b.width()));
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) {
      const Rgb c = b.pixel(x, y);
      row[3 * x] = static_cast<char>(c.r), row[3 * x + 1] = static_cast<char>(c.g),
              row[3 * x + 2] = static_cast<char>(c.b);
    }
    out.write(row.data(), static_cast<std::streamsize>(row.size()));
  }
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 7;
  std::string inputPpm, overlayPpm;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i];
    if (a == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    if (a == "--write-input") inputPpm = argv[i + 1];
    if (a == "--write-overlay") overlayPpm = argv[i + 1];
  }
  const Bitmap capture = screenshot(3840, 2160);
  Bitmap overlay = screenshot(800, 600).convertedTo(24);
  if (!inputPpm.empty()) writePpm(capture, inputPpm);
  if (!overlayPpm.empty()) writePpm(overlay, overlayPpm);

  fake::FakeServices services;
  fake::FakeCursorSource& cursor = services.cursor;
  cursor.width = 3840;
  cursor.height = 2160;
  cursor.snapshot.image = Bitmap(32, 32, 32);
  std::fill(cursor.snapshot.image.bits().begin(), cursor.snapshot.image.bits().end(), 0xFF);
  cursor.snapshot.pointerX = 1000;
  cursor.snapshot.pointerY = 700;
  Platform platform = services.makePlatform(ProgramDirectories{});
  platform.cursor = &cursor;
#ifdef SNAPRILL_QT_TEXT
  const auto text = makeOffscreenTextRenderer();
  platform.text = text.get();
#endif
  Options options;
  OverlayPicture overlayPicture;
  overlayPicture.set(overlay);
  const Adjustments adjustments(options, platform, overlayPicture);
  Bitmap adjusted;
  options.setValue(Option::cropLeft, 100);
  options.setValue(Option::cropTop, 100);
  options.setValue(Option::cropWidth, 1920);
  options.setValue(Option::cropHeight, 1080);
  options.setValue(Option::resizeWidth, 1920);
  options.setValue(Option::resizeHeight, 1080);
  options.setValue(Option::overlayX, 100);
  options.setValue(Option::overlayY, 100);
  options.setText(Option::captureText, "Snaprill %y-%m-%d %h %+ : %+ %i");
  options.setValue(Option::textFontSize, 8);
  options.setValue(Option::textPosition, 4);

  const std::vector<std::pair<const char*, std::function<void()>>> cases = {
      {"cursor", [&] { adjustments.addCursor(adjusted); }},
      {"crop", [&] { adjustments.crop(adjusted); }},
      {"resize", [&] { adjustments.resize(adjusted); }},
      {"overlay", [&] { adjustments.addOverlay(adjusted); }},
      {"text", [&] { adjustments.addText(adjusted); }},
      {"invert", [&] { invertColours(adjusted); }},
      {"grayscale", [&] { makeGrayscale(adjusted); }},
  };
  for (const auto& [name, run] : cases) {
    if (std::string(name) == "text" && !platform.text) continue;
    std::vector<double> ms;
    for (int r = 0; r < runs; ++r) {
      adjusted = capture;
      const auto t0 = std::chrono::steady_clock::now();
      run();
      const auto t1 = std::chrono::steady_clock::now();
      ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%s %.3f\n", name, ms[ms.size() / 2]);
  }
  return 0;
}
