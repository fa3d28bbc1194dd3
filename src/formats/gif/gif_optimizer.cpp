// Frame merging: pixels of a frame that show the same colour as the frame beneath
// them become transparent, so that the file compresses better. Only frames with a
// transparent colour, or room in their table for one, can be merged.
#include <algorithm>

#include "formats/gif/gif_image.h"

namespace snaprill {

namespace {

constexpr int kRestoreBackground = 2;
constexpr int kRestorePrevious = 3;

int disposalOf(const GifFrame& f) {
  return f.graphicControl() ? f.graphicControl()->disposal() : 0;
}

bool sameColor(const GifFrame& f, int fi, const GifFrame& p, int pi) {
  const GifColorMap& fc = f.activeColors();
  const GifColorMap& pc = p.activeColors();
  if (&fc == &pc && fi == pi) return true;
  if (fi >= fc.count() || pi >= pc.count()) return false;
  return fc[fi] == pc[pi];
}

}  // namespace

void GifImage::mergeFrames() {
  for (int i = frameCount() - 1; i >= 1; --i) {
    int j = i - 1;
    while (j > 0 && disposalOf(frameAt(j)) == kRestorePrevious) --j;
    GifFrame& f = frameAt(i);
    const GifFrame& p = frameAt(j);
    if (f.empty() || p.empty()) continue;
    if (const int d = disposalOf(p); d == kRestoreBackground || d == kRestorePrevious) continue;
    const int left = std::max(f.left, p.left);
    const int top = std::max(f.top, p.top);
    const int right = std::min(f.left + f.width, p.left + p.width);
    const int bottom = std::min(f.top + f.height, p.top + p.height);
    if (left >= right || top >= bottom) continue;

    const bool wasTransparent = f.transparent();
    const bool hasLocal = f.localColors.count() > 0;
    if (!wasTransparent) {
      const int room = hasLocal ? f.localColors.count() : header.globalColors.count();
      if (room < 1 || room > 255) continue;
    }
    int index = wasTransparent ? f.graphicControl()->transparentIndex : -1;
    const auto obtainIndex = [&]() -> int {
      if (hasLocal) return f.localColors.add(Rgb{});
      for (int k = 0; k < frameCount(); ++k) {
        const GifFrame& other = frameAt(k);
        if (k != i && other.transparent() && other.localColors.count() == 0) {
          return other.graphicControl()->transparentIndex;
        }
      }
      return header.globalColors.add(Rgb{});
    };
    const bool pTransparent = p.transparent();
    const int pIndex = pTransparent ? p.graphicControl()->transparentIndex : -1;
    for (int y = top; y < bottom; ++y) {
      std::uint8_t* frow =
          f.pixels.data() + static_cast<std::size_t>(y - f.top) * static_cast<std::size_t>(f.width);
      const std::uint8_t* prow =
          p.pixels.data() + static_cast<std::size_t>(y - p.top) * static_cast<std::size_t>(p.width);
      for (int x = left; x < right; ++x) {
        std::uint8_t& fv = frow[x - f.left];
        const std::uint8_t pv = prow[x - p.left];
        if (index >= 0 && fv == index) continue;
        if (pTransparent && pv == pIndex) continue;
        if (!sameColor(f, fv, p, pv)) continue;
        if (index < 0) index = obtainIndex();
        fv = static_cast<std::uint8_t>(index);
      }
    }
    if (!wasTransparent && index >= 0) {
      if (!f.graphicControl()) f.appendExtension(std::make_unique<GifGraphicControl>());
      f.graphicControl()->setTransparent(static_cast<std::uint8_t>(index));
    }
    f.releaseBitmap();
  }
}

}  // namespace snaprill
