// PngImage's shared state and the picture it hands on.
#include "formats/png/png_image.h"

#include <numeric>
#include <stdexcept>

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
