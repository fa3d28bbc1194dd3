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

void GifFrame::compressFrame(ByteSink& out) const {
  int colors = localColors.count();
  int depth = localColors.bitDepth();
  if (colors == 0) {  // coloured by the global table, padded to the largest size
    depth = owner_.largestBitDepth();
    colors = 1 << depth;
  }
  const int m = std::max(depth, 2);
  out.put8(static_cast<std::uint8_t>(m));
  GifBlockWriter writer(out);
  LzwEncoder::encode(pixels.data(), width, height, static_cast<std::size_t>(width), colors, m,
                     writer);
  writer.finish();
  out.put8(0);
}

void GifFrame::saveToStream(ByteSink& out) const {
  for (const auto& extension : extensions_) extension->saveToStream(out);
  if (empty()) return;
  std::uint8_t descriptorPacked = packed & 0x58;
  if (localColors.count() > 0) {
    descriptorPacked = static_cast<std::uint8_t>(0x80 | (localColors.sorted ? 0x20 : 0) |
                                                 (localColors.bitDepth() - 1));
  }
  out.put8(0x2C);
  out.put16le(static_cast<std::uint16_t>(left));
  out.put16le(static_cast<std::uint16_t>(top));
  out.put16le(static_cast<std::uint16_t>(width));
  out.put16le(static_cast<std::uint16_t>(height));
  out.put8(descriptorPacked);
  if (localColors.count() > 0) writeColorTable(out, localColors, 1 << localColors.bitDepth());
  compressFrame(out);
}

int GifImage::largestBitDepth() const {
  int depth = header.globalColors.bitDepth();
  for (const auto& frame : frames_) depth = std::max(depth, frame->localColors.bitDepth());
  return depth;
}

std::string GifImage::version() const {
  if (frames_.empty()) throw GifError("Unsupported GIF version");
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
  for (const auto& frame : frames_) frame->saveToStream(out);
  out.put8(0x3B);
}

}  // namespace snaprill
