#include "formats/bmp/bitmap_info.h"

namespace snaprill {

void writeBitmapInfo(ByteSink& out, const Bitmap& picture, std::uint32_t imageSize,
                     std::uint32_t coloursUsed, std::uint32_t tableEntries) {
  MemorySink info;
  info.put32le(kBitmapInfoHeaderSize);
  info.put32le(static_cast<std::uint32_t>(picture.width()));
  info.put32le(static_cast<std::uint32_t>(picture.height()));
  info.put16le(1);  // planes
  info.put16le(static_cast<std::uint16_t>(picture.bitsPerPixel()));
  info.put32le(0);  // BI_RGB
  info.put32le(imageSize);
  info.put32le(0);  // pixels per metre
  info.put32le(0);
  info.put32le(coloursUsed);
  info.put32le(0);  // all colours important
  const auto& palette = picture.palette();
  for (std::uint32_t i = 0; i < tableEntries; ++i) {
    const Rgb c = i < palette.size() ? palette[i] : Rgb{};
    const std::uint8_t quad[] = {c.b, c.g, c.r, 0};
    info.write(quad, sizeof quad);
  }
  out.write(info.bytes);
}

}  // namespace snaprill
