// How long a capture waiting behind another's write takes to pack and unpack on the
// window's thread, and how much memory it then holds: the benchmarks' screenshot-like
// picture, or picture files given (say real screenshots). Medians in milliseconds.
//
//   packed_bitmap_bench [PICTURE ...]      (default: 1920x1080 and 3840x2160)
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "bench_support.h"
#include "formats/loader/picture_loader.h"
#include "image/packed_bitmap.h"
#include "screenshot_like.h"

namespace {

using snaprill::Bitmap;
using snaprill::PackedBitmap;

void measure(const std::string& name, const Bitmap& picture) {
  constexpr int kRuns = 9;
  const std::size_t any = std::numeric_limits<std::size_t>::max();
  const auto packed = PackedBitmap::pack(picture, any);
  const double pack = snaprill::bench::medianMs(kRuns, [&] { PackedBitmap::pack(picture, any); });
  const double unpack = snaprill::bench::medianMs(kRuns, [&] { packed->unpack(); });
  std::printf(
      "%-28s %5dx%-5d pack %6.1f ms  unpack %6.1f ms  %9zu of %10zu bytes (%.1f %%)\n",
      name.c_str(), picture.width(), picture.height(), pack, unpack, packed->bytes(),
      picture.bits().size(),
      100.0 * static_cast<double>(packed->bytes()) / static_cast<double>(picture.bits().size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    measure("screenshot-like", snaprill::bench::screenshotLike(1920, 1080));
    measure("screenshot-like", snaprill::bench::screenshotLike(3840, 2160));
  }
  for (int i = 1; i < argc; ++i) {
    Bitmap picture = snaprill::loadCapturePictureFile(argv[i]);
    measure(argv[i], picture);
  }
  return 0;
}
