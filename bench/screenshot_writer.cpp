// The benchmarks' screenshot-like picture (screenshot_like.h) as a 32-bit BMP file,
// as a screen gives its pictures, for the whole-process benchmarks to read.
//
// usage: screenshot_writer WIDTH HEIGHT OUT.bmp
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "formats/bmp/bmp_file.h"
#include "io/atomic_file.h"
#include "screenshot_like.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: screenshot_writer WIDTH HEIGHT OUT.bmp\n");
    return 2;
  }
  try {
    const snaprill::Bitmap picture =
        snaprill::bench::screenshotLike(std::atoi(argv[1]), std::atoi(argv[2]));
    snaprill::AtomicFile file(argv[3]);
    snaprill::writeBmp(picture, file);
    file.commit();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "screenshot_writer: %s\n", e.what());
    return 1;
  }
  return 0;
}
