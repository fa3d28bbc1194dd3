// PngImage's shared state and the picture it hands on.
#include "formats/png/png_image.h"

#include <numeric>
#include <stdexcept>

#include "image/over_white.h"

namespace snaprill {

PngImage::PngImage() {
  reset();
}

void PngImage::reset() {
  std::iota(gamma_.begin(), gamma_.end(), std::uint8_t{0});
  inverseGamma_ = gamma_;
  header_ = PngHeader{};
  hasHeader_ = false;
  chunks_.clear();
  pixels_ = Bitmap();
  alpha_.clear();
  transparency_.fill(255);
  transparencyCount_ = 0;
  hasTransparency_ = false;
}

Bitmap PngImage::toBitmap() const {
  if (!hasHeader_) throw std::logic_error("Cannot assign an empty PNG image to a bitmap");
  return pixels_;
}

Bitmap PngImage::toBitmapOverWhite() const {
  Bitmap picture = toBitmap().convertedTo(32);
  const unsigned type = header_.colourType;
  const bool keyed = hasTransparency_ && type != 4 && type != 6;
  if (alpha_.empty() && !keyed) return picture;
  const auto& t = transparency_;
  // The transparent key as the pixel copy holds it: a gray level as its ramp index
  // (the high byte of 16-bit samples, 2-bit levels spread over 16 entries), a
  // colour after gamma; 8-bit samples are the key's low bytes.
  const bool wide = header_.bitDepth == 16;
  const unsigned grayKey =
      (wide ? t[0] : t[1] & ((1u << header_.bitDepth) - 1)) * (header_.bitDepth == 2 ? 5u : 1u);
  const Rgb colourKey{gamma_[t[wide ? 0 : 1]], gamma_[t[wide ? 2 : 3]], gamma_[t[wide ? 4 : 5]]};
  const auto width = static_cast<std::size_t>(picture.width());
  for (int y = 0; y < picture.height(); ++y) {
    std::uint8_t* p = picture.row(y);
    for (int x = 0; x < picture.width(); ++x, p += 4) {
      if (!alpha_.empty()) {
        p[3] = alpha_[static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)];
      } else if (type == 3) {
        p[3] = t[pixels_.index(x, y)];  // entries the chunk leaves out are opaque
      } else if (type == 0) {
        p[3] = pixels_.index(x, y) == grayKey ? 0 : 255;
      } else {
        p[3] = Rgb{p[2], p[1], p[0]} == colourKey ? 0 : 255;
      }
    }
  }
  flattenOntoWhite(picture, false);
  return picture;
}

PngTransparency PngImage::transparencyMode() const {
  switch (header_.colourType) {
    case 0:
    case 2:
      return hasTransparency_ ? PngTransparency::OneColour : PngTransparency::None;
    case 3: {
      if (!hasTransparency_) return PngTransparency::None;
      std::size_t notOpaque = 0;
      for (std::size_t i = 0; i < transparencyCount_; ++i)
        if (transparency_[i] != 255) ++notOpaque;
      return notOpaque == 1 ? PngTransparency::OneColour : PngTransparency::Partial;
    }
    case 4:
    case 6:
      return PngTransparency::Partial;
    default:
      return PngTransparency::None;
  }
}

std::optional<Rgb> PngImage::transparentColour() const {
  if (transparencyMode() != PngTransparency::OneColour) return std::nullopt;
  // tRNS holds 16-bit samples for gray and truecolour; their low bytes are used.
  const auto& t = transparency_;
  switch (header_.colourType) {
    case 0:
      return Rgb{t[1], t[1], t[1]};
    case 2:
      return Rgb{t[1], t[3], t[5]};
    default:
      for (std::size_t i = 0; i < transparencyCount_ && i < pixels_.palette().size(); ++i)
        if (t[i] == 0) return pixels_.palette()[i];
      return std::nullopt;
  }
}

}  // namespace snaprill
