// Writing a GIF image as a stream: header, logical screen, frames with their
// extensions and image data, trailer.
#include <algorithm>

#include "formats/gif/gif_image.h"
#include "formats/gif/gif_lzw.h"

namespace snaprill {

namespace {

// The table's colours, then black entries up to the given count.
void writeColorTable(ByteSink& out, const GifColorMap& map, int entries) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(entries) * 3, 0);
  for (int i = 0; i < map.count(); ++i) {
    bytes[3 * static_cast<std::size_t>(i)] = map[i].r;
    bytes[3 * static_cast<std::size_t>(i) + 1] = map[i].g;
    bytes[3 * static_cast<std::size_t>(i) + 2] = map[i].b;
  }
  out.write(bytes);
}

}  // namespace

void GifGraphicControl::saveToStream(ByteSink& out) const {
  const std::uint8_t head[] = {0x21, 0xF9, 0x04, packed};
  out.write(head, sizeof head);
  out.put16le(delay);
  out.put8(transparentIndex);
  out.put8(0);
}

void GifLoopExtension::saveToStream(ByteSink& out) const {
  static const std::uint8_t head[] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S',  'C',
                                      'A',  'P',  'E',  '2', '.', '0', 0x03, 0x01};
  out.write(head, sizeof head);
  out.put16le(LoopCount);
  if (bufferSize != 0) {
    out.put8(0x05);
    out.put8(0x02);
    out.put32le(bufferSize);
  }
  out.put8(0);
}

void GifFrame::writeImage(ByteSink& out, const ImageData& image) const {
  const GifColorMap& local = *image.localColors;
  std::uint8_t descriptorPacked = packed & 0x58;
  if (local.count() > 0) {
    descriptorPacked =
        static_cast<std::uint8_t>(0x80 | (local.sorted ? 0x20 : 0) | (local.bitDepth() - 1));
  }
  out.put8(0x2C);
  out.put16le(static_cast<std::uint16_t>(image.left));
  out.put16le(static_cast<std::uint16_t>(image.top));
  out.put16le(static_cast<std::uint16_t>(image.width));
  out.put16le(static_cast<std::uint16_t>(image.height));
  out.put8(descriptorPacked);
  if (local.count() > 0) writeColorTable(out, local, 1 << local.bitDepth());

  int colors = local.count();
  int depth = local.bitDepth();
  if (colors == 0) {  // coloured by the global table, padded to the largest size
    depth = owner_.largestBitDepth();
    colors = 1 << depth;
  }
  const int m = std::max(depth, 2);
  out.put8(static_cast<std::uint8_t>(m));
  GifBlockWriter writer(out);
  LzwEncoder::encode(image.pixels, image.width, image.height, static_cast<std::size_t>(image.width),
                     colors, m, writer);
  writer.finish();
  out.put8(0);
}

void GifFrame::saveToStream(ByteSink& out) const {
  for (const auto& extension : extensions_) extension->saveToStream(out);
  if (empty()) return;
  writeImage(out, {left, top, width, height, pixels.data(), &localColors});
}

void GifFrame::saveCoveringScreen(ByteSink& out) const {
  for (const auto& extension : extensions_) extension->saveToStream(out);
  if (empty()) return;
  const int screenWidth = owner_.width(), screenHeight = owner_.height();
  // Black: the table's own, a new entry where the table has room, else its darkest.
  GifColorMap colours = localColors;
  const GifColorMap& table = activeColors();
  const auto& c = table.colors();
  auto black = std::find(c.begin(), c.end(), Rgb{});
  int blackIndex = static_cast<int>(black - c.begin());
  if (black == c.end()) {
    if (colours.count() > 0 && colours.count() < 256) {
      blackIndex = colours.add(Rgb{});
      colours.sorted = false;
    } else {
      const auto darkness = [](const Rgb& v) { return v.r + v.g + v.b; };
      blackIndex = static_cast<int>(
          std::min_element(c.begin(), c.end(),
                           [&](const Rgb& a, const Rgb& b) { return darkness(a) < darkness(b); }) -
          c.begin());
    }
  }
  const auto w = static_cast<std::size_t>(screenWidth);
  std::vector<std::uint8_t> screen(w * static_cast<std::size_t>(screenHeight),
                                   static_cast<std::uint8_t>(blackIndex));
  for (int y = 0; y < height; ++y) {
    std::copy_n(pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width),
                width, screen.data() + static_cast<std::size_t>(top + y) * w + left);
  }
  writeImage(out, {0, 0, screenWidth, screenHeight, screen.data(), &colours});
}

bool GifFrame::coversScreen() const {
  return left == 0 && top == 0 && width == owner_.width() && height == owner_.height();
}

int GifImage::largestBitDepth() const {
  int depth = header.globalColors.bitDepth();
  for (const auto& frame : frames_) depth = std::max(depth, frame->localColors.bitDepth());
  return depth;
}

std::string GifImage::version() const {
  if (frames_.empty()) throw FormatError(FormatErrorKind::Empty, "Unsupported GIF version");
  for (const auto& frame : frames_) {
    if (frame->localColors.sorted || !frame->extensions().empty()) return "89a";
  }
  return "87a";
}

void GifImage::saveToStream(ByteSink& out) const {
  const std::string v = version();
  out.write("GIF", 3);
  out.write(v.data(), 3);
  const GifColorMap& global = header.globalColors;
  int resolution = global.bitDepth() - 1;
  int depth = global.bitDepth();
  for (const auto& frame : frames_) {
    resolution = std::max(resolution, frame->localColors.bitDepth() - 1);
    depth = std::max(depth, frame->localColors.bitDepth());
  }
  std::uint8_t packed =
      static_cast<std::uint8_t>((std::max(resolution, 0) & 7) << 4 | ((depth - 1) & 7));
  if (global.count() > 0) packed |= static_cast<std::uint8_t>(0x80 | (global.sorted ? 0x08 : 0));
  out.put16le(header.screenWidth);
  out.put16le(header.screenHeight);
  out.put8(packed);
  out.put8(header.background);
  out.put8(header.aspectRatio);
  // The size field covers the largest table of the file; a smaller global table is
  // padded to it so that decoders find the frames where the size field says.
  if (packed & 0x80) writeColorTable(out, global, 1 << ((packed & 7) + 1));
  for (std::size_t i = 0; i < frames_.size(); ++i) {
    const GifFrame& frame = *frames_[i];
    // The first picture is what a viewer shows before anything else: where it
    // leaves the logical screen uncovered (an animation that grows after its
    // first capture), readers disagree about the colour there, black, white or
    // transparent. Made to cover the screen, black outside the capture, it shows
    // the same everywhere.
    if (i == 0 && !frame.empty() && !frame.transparent() && !frame.coversScreen()) {
      frame.saveCoveringScreen(out);
    } else {
      frame.saveToStream(out);
    }
  }
  out.put8(0x3B);
}

}  // namespace snaprill
