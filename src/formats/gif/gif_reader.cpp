#include "formats/gif/gif_reader.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "formats/format_error.h"
#include "formats/reader_limits.h"

namespace snaprill {

namespace {

struct Input {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos;
};

int readInput(GifFileType* gif, GifByteType* buffer, int wanted) {
  auto* in = static_cast<Input*>(gif->UserData);
  const std::size_t n = std::min(static_cast<std::size_t>(std::max(wanted, 0)), in->size - in->pos);
  if (n > 0) std::memcpy(buffer, in->data + in->pos, n);
  in->pos += n;
  return static_cast<int>(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

constexpr GifColorType kWhite{255, 255, 255};

// giflib's failures: the file's first bytes, the data ending early, anything else.
FormatErrorKind kindOf(int code) {
  switch (code) {
    case D_GIF_ERR_NOT_GIF_FILE:
      return FormatErrorKind::NotThisFormat;
    case D_GIF_ERR_READ_FAILED:
    case D_GIF_ERR_EOF_TOO_SOON:
      return FormatErrorKind::Truncated;
    default:
      return FormatErrorKind::Damaged;
  }
}

[[noreturn]] void fail(int code) {
  const char* text = GifErrorString(code);
  throw FormatError(kindOf(code),
                    std::string("Cannot read GIF file: ") + (text ? text : "corrupt data"));
}

void check(GifFileType* gif, int result) {
  if (result == GIF_ERROR) fail(gif->Error);
}

// Moves to the first image descriptor, skipping extensions; returns the transparent
// colour index its graphic control extension names, or -1.
int seekFirstImage(GifFileType* gif) {
  int transparent = -1;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    check(gif, DGifGetRecordType(gif, &type));
    if (type == IMAGE_DESC_RECORD_TYPE) return transparent;
    if (type == TERMINATE_RECORD_TYPE)
      throw FormatError(FormatErrorKind::Empty, "GIF file holds no image");
    if (type != EXTENSION_RECORD_TYPE)
      throw FormatError(FormatErrorKind::Damaged, "Cannot read GIF file: bad record");
    int code = 0;
    GifByteType* block = nullptr;
    check(gif, DGifGetExtension(gif, &code, &block));
    // The graphic control extension: its length, flags (bit 0: a transparent
    // colour), the delay, the transparent colour's index.
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
      transparent = (block[1] & 1) != 0 ? block[4] : -1;
    }
    while (block != nullptr) check(gif, DGifGetExtensionNext(gif, &block));
  }
}

// Rows of an interlaced image arrive in four passes.
std::vector<int> rowOrder(int height, bool interlaced) {
  std::vector<int> order;
  order.reserve(static_cast<std::size_t>(height));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) order.push_back(y);
    return order;
  }
  constexpr int kStart[] = {0, 4, 2, 1};
  constexpr int kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = kStart[pass]; y < height; y += kStep[pass]) order.push_back(y);
  return order;
}

}  // namespace

Bitmap readGif(const std::uint8_t* data, std::size_t size, GifTransparency transparency) {
  Input input{data, size, 0};
  int error = 0;
  GifHandle gif(DGifOpen(&input, readInput, &error));
  if (!gif) fail(error);
  const int named = seekFirstImage(gif.get());
  const int transparent = transparency == GifTransparency::OverWhite ? named : -1;
  check(gif.get(), DGifGetImageDesc(gif.get()));
  const GifImageDesc& image = gif->Image;
  const ColorMapObject* colours = image.ColorMap ? image.ColorMap : gif->SColorMap;
  if (!colours || !colours->Colors || colours->ColorCount <= 0) {
    throw FormatError(FormatErrorKind::Damaged, "GIF image has no colour table");
  }
  if (image.Width <= 0 || image.Height <= 0)
    throw FormatError(FormatErrorKind::Empty, "GIF image is empty");
  // The picture is the logical screen; only a screen of no size takes the image's.
  const long long width =
      gif->SWidth > 0 ? gif->SWidth : static_cast<long long>(image.Left) + image.Width;
  const long long height =
      gif->SHeight > 0 ? gif->SHeight : static_cast<long long>(image.Top) + image.Height;
  if (!withinPixelBudget(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height))) {
    throw FormatError(FormatErrorKind::TooLarge, "GIF image is too large");
  }
  Bitmap out(static_cast<int>(width), static_cast<int>(height), 24);
  const ColorMapObject* global = gif->SColorMap;
  std::optional<GifColorType> screen;
  // A picture with a transparent colour shows the screen around it transparent
  // too, as browsers do; otherwise the background colour fills it.
  if (transparent >= 0) {
    screen = kWhite;
  } else if (global && global->Colors && gif->SBackGroundColor >= 0 &&
             gif->SBackGroundColor < global->ColorCount) {
    screen = global->Colors[gif->SBackGroundColor];
  }
  if (screen) {
    for (int y = 0; y < out.height(); ++y) {
      std::uint8_t* row = out.row(y);
      for (int x = 0; x < out.width(); ++x, row += 3) {
        row[0] = screen->Blue, row[1] = screen->Green, row[2] = screen->Red;
      }
    }
  }
  std::vector<GifPixelType> line(static_cast<std::size_t>(image.Width));
  // Whatever of the image lies outside the screen is cut off.
  const int visible = static_cast<int>(std::clamp<long long>(width - image.Left, 0, image.Width));
  for (const int y : rowOrder(image.Height, image.Interlace)) {
    check(gif.get(), DGifGetLine(gif.get(), line.data(), image.Width));
    const long long outY = static_cast<long long>(image.Top) + y;
    if (outY >= height || visible == 0) continue;
    std::uint8_t* row = out.row(static_cast<int>(outY)) + 3 * static_cast<std::size_t>(image.Left);
    for (int x = 0; x < visible; ++x, row += 3) {
      const GifPixelType index = line[static_cast<std::size_t>(x)];
      if (index >= colours->ColorCount)
        throw FormatError(FormatErrorKind::Damaged, "GIF image uses colours its table lacks");
      const GifColorType c = index == transparent ? kWhite : colours->Colors[index];
      row[0] = c.Blue, row[1] = c.Green, row[2] = c.Red;
    }
  }
  return out;
}

}  // namespace snaprill
