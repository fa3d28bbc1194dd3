// The frame model of a GIF image: frames built from pictures, their extensions, the
// logical screen and the render options.
#include <algorithm>

#include "formats/gif/gif_image.h"

namespace snaprill {

namespace {

constexpr int kMaxGifSide = 65535;

// Copies an indexed picture's rows into one index per pixel.
void unpackIndexes(const Bitmap& picture, std::vector<std::uint8_t>& pixels) {
  const auto w = static_cast<std::size_t>(picture.width());
  for (int y = 0; y < picture.height(); ++y) {
    std::uint8_t* dst = pixels.data() + static_cast<std::size_t>(y) * w;
    if (picture.bitsPerPixel() == 8) {
      std::copy_n(picture.row(y), w, dst);
    } else {
      for (int x = 0; x < picture.width(); ++x)
        dst[x] = static_cast<std::uint8_t>(picture.index(x, y));
    }
  }
}

}  // namespace

int GifColorMap::bitDepth() const {
  if (colors_.empty()) return 0;
  int b = 1;
  while ((1 << b) < count()) ++b;
  return b;
}

int GifColorMap::add(const Rgb& c) {
  if (colors_.size() >= 256) throw FormatError(FormatErrorKind::ColourTableFull);
  colors_.push_back(c);
  return count() - 1;
}

void GifColorMap::assign(const std::vector<Rgb>& colors) {
  if (colors.size() > 256) throw FormatError(FormatErrorKind::ColourTableFull);
  colors_ = colors;
}

void GifFrame::clear() {
  extensions_.clear();
  graphicControl_ = nullptr;
  localColors.clear();
  pixels.clear();
  pixels.shrink_to_fit();
  width = height = 0;
  bitmapReleased_ = false;
}

void GifFrame::setBounds(int l, int t, int w, int h) {
  left = l;
  top = t;
  width = w;
  height = h;
  owner_.growScreen(l + w, t + h);
}

void GifFrame::assignBitmap(const Bitmap& picture) {
  clear();
  if (picture.empty()) return;
  if (picture.width() > kMaxGifSide || picture.height() > kMaxGifSide) {
    throw FormatError(FormatErrorKind::TooLarge, "Image too large for GIF");
  }
  setBounds(0, 0, picture.width(), picture.height());
  pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  if (picture.indexed()) {
    unpackIndexes(picture, pixels);
    localColors.assign(picture.palette());
  } else {
    localColors.assign(reduceToIndexes(picture, owner_.reductionMode, owner_.ditherKind,
                                       pixels.data(), static_cast<std::size_t>(width)));
  }
}

void GifFrame::appendExtension(std::unique_ptr<GifExtension> extension) {
  if (auto* gce = dynamic_cast<GifGraphicControl*>(extension.get()); gce && !graphicControl_) {
    graphicControl_ = gce;
  }
  extensions_.push_back(std::move(extension));
}

void GifFrame::addAnimationExtensions(std::uint16_t delay) {
  auto gce = std::make_unique<GifGraphicControl>();
  gce->delay = delay;
  appendExtension(std::move(gce));
  appendExtension(std::make_unique<GifLoopExtension>());
}

const GifColorMap& GifFrame::activeColors() const {
  return localColors.count() > 0 ? localColors : owner_.header.globalColors;
}

Bitmap GifFrame::frameBitmap() const {
  if (empty()) return Bitmap(width, height, 8);
  const auto stride = static_cast<std::size_t>(width);
  if (bitmapReleased_ && owner_.ditherInForce()) {
    return renderOnCube(width, height, activeColors().colors(), pixels.data(), stride);
  }
  Bitmap out(width, height, 8);
  for (int y = 0; y < height; ++y) {
    std::copy_n(pixels.data() + static_cast<std::size_t>(y) * stride, stride, out.row(y));
  }
  std::vector<Rgb>& table = out.palette();
  table.assign(256, Rgb{});
  const auto& colors = activeColors().colors();
  std::copy(colors.begin(), colors.end(), table.begin());
  return out;
}

int GifImage::appendFrame(const Bitmap& picture) {
  auto frame = std::make_unique<GifFrame>(*this);
  frame->assignBitmap(picture);
  frames_.push_back(std::move(frame));
  return frameCount() - 1;
}

void GifImage::clearFrames() {
  frames_.clear();
  header.screenWidth = header.screenHeight = 0;
}

void GifImage::growScreen(int right, int bottom) {
  header.screenWidth = static_cast<std::uint16_t>(std::max<int>(header.screenWidth, right));
  header.screenHeight = static_cast<std::uint16_t>(std::max<int>(header.screenHeight, bottom));
}

bool GifImage::ditherInForce() const {
  const bool dither = (renderOptions_ & kRenderDither) != 0;
  const bool automatic = (renderOptions_ & kRenderAutoDither) != 0;
  // Automatic dither follows the display's depth; displays here have more than 8
  // bits per pixel, so only plain dither is in force.
  return dither && !automatic;
}

void GifImage::setRenderOptions(std::uint16_t options) {
  if (options == renderOptions_) return;
  renderOptions_ = options;
  for (auto& frame : frames_) frame->releaseBitmap();
  if (header.globalColors.count() == 0 && frames_.size() == 1) {
    header.globalColors.assign(frames_[0]->localColors.colors());
    frames_[0]->localColors.clear();
  }
}

}  // namespace snaprill
