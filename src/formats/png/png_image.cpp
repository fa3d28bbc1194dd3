// PngImage's shared state, the reader's error texts and the picture it hands on.
#include "formats/png/png_image.h"

#include <numeric>
#include <stdexcept>

namespace snaprill {

namespace {

struct ErrorText {
  PngErrorKind kind;
  const char* text;
};

// Line breaks inside the texts are carriage return and line feed.
constexpr ErrorText kErrorTexts[] = {
    {PngErrorKind::EPNGInvalidFileHeader,
     "The file being readed is not a valid \"Portable Network Graphics\" image because it "
     "contains an invalid header. This file may be corruped, try obtaining it again."},
    {PngErrorKind::EPngUnexpectedEnd,
     "This \"Portable Network Graphics\" image is invalid because the decoder found an "
     "unexpected end of the file."},
    {PngErrorKind::EPNGIHDRNotFirst,
     "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n"
     "(IHDR chunk is not the first)"},
    {PngErrorKind::EPNGUnknownCriticalChunk,
     "This \"Portable Network Graphics\" image contains an unknown critical part which could "
     "not be decoded."},
    {PngErrorKind::EPNGNoImageData, "This \"Portable Network Graphics\" image contains no data."},
    {PngErrorKind::EPngInvalidCRC,
     "This \"Portable Network Graphics\" image is not valid because it contains invalid pieces "
     "of data (crc error)"},
    {PngErrorKind::EPngInvalidIHDR,
     "The \"Portable Network Graphics\" image could not be loaded because one of its main "
     "piece of data (ihdr) might be corrupted"},
    {PngErrorKind::EPNGSizeExceeds,
     "This \"Portable Network Graphics\" image is not supported because either it's width or "
     "height exceeds the maximum size, which is 65535 pixels length."},
    {PngErrorKind::EPNGUnknownCompression,
     "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme "
     "which could not be decoded."},
    {PngErrorKind::EPNGUnknownInterlace,
     "This \"Portable Network Graphics\" image uses an unknown interlace scheme which could "
     "not be decoded."},
    {PngErrorKind::EPNGInvalidPalette,
     "The \"Portable Network Graphics\" image contains an invalid palette."},
    {PngErrorKind::EPNGMissingMultipleIDAT,
     "This \"Portable Network Graphics\" image is invalid because it has missing image parts."},
    {PngErrorKind::EPNGZLIBError,
     "Could not decompress the image because it contains invalid compressed data.\r\n"
     " Description: "},
};

}  // namespace

std::string pngErrorText(PngErrorKind kind, const std::string& zlibMessage) {
  for (const ErrorText& e : kErrorTexts) {
    if (e.kind != kind) continue;
    std::string text = e.text;
    if (kind == PngErrorKind::EPNGZLIBError) text += zlibMessage;
    return text;
  }
  return "Invalid \"Portable Network Graphics\" image";
}

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
