#include "backends/wayland/output_layout.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace snaprill {

namespace {

Rect intersection(const Rect& a, const Rect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

// Physical pixels per logical unit; 1 for an output of no size.
double scaleOf(const OutputPicture& output) {
  if (output.logical.width() <= 0) return 1;
  return static_cast<double>(output.picture.width()) / output.logical.width();
}

int scaled(int logical, double scale) {
  return static_cast<int>(std::lround(logical * scale));
}

}  // namespace

bool overlaps(const Rect& a, const Rect& b) {
  const Rect both = intersection(a, b);
  return both.width() > 0 && both.height() > 0;
}

Rect layoutBounds(const std::vector<Rect>& outputs) {
  if (outputs.empty()) return {};
  Rect bounds{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (const Rect& r : outputs) {
    bounds = {std::min(bounds.left, r.left), std::min(bounds.top, r.top),
              std::max(bounds.right, r.right), std::max(bounds.bottom, r.bottom)};
  }
  return bounds;
}

Bitmap composeOutputs(std::vector<OutputPicture> outputs, const Rect& area) {
  std::erase_if(outputs, [&](const OutputPicture& o) {
    return o.picture.empty() || !overlaps(o.logical, area);
  });
  if (outputs.empty()) return {};
  std::vector<Rect> places;
  double scale = 0;
  for (const OutputPicture& o : outputs) {
    places.push_back(o.logical);
    scale = std::max(scale, scaleOf(o));
  }
  const Rect shown = intersection(layoutBounds(places), area);
  const auto place = [&](const Rect& logical) {
    return Rect{scaled(logical.left - shown.left, scale), scaled(logical.top - shown.top, scale),
                scaled(logical.right - shown.left, scale),
                scaled(logical.bottom - shown.top, scale)};
  };
  const Rect canvas = place(shown);
  // The common case, one output taken whole: its picture as it is.
  if (outputs.size() == 1) {
    const Rect target = place(outputs.front().logical);
    const Bitmap& only = outputs.front().picture;
    if (target.left == 0 && target.top == 0 && target.width() == only.width() &&
        target.height() == only.height() && canvas.right == only.width() &&
        canvas.bottom == only.height()) {
      return std::move(outputs.front().picture);
    }
  }
  Bitmap whole(canvas.width(), canvas.height(), 32);
  for (const OutputPicture& o : outputs) {
    const Rect target = place(o.logical);
    if (target.width() == o.picture.width() && target.height() == o.picture.height()) {
      drawBitmap(whole, target.left, target.top, o.picture);
    } else {
      stretchCopy(whole, target, o.picture, Rect{0, 0, o.picture.width(), o.picture.height()});
    }
  }
  return whole;
}

}  // namespace snaprill
