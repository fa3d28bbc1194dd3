#include "formats/format_error.h"

#include "formats/modern_types.h"

namespace snaprill {

namespace {

struct KindText {
  FormatErrorKind kind;
  const char* text;
};

// The general kinds' sentences are for a failure whose codec gave no detail.
constexpr KindText kTexts[] = {
    {FormatErrorKind::NotThisFormat,
     kModernTypesBuilt ? "Not a picture format Snaprill reads (JPEG, PNG, GIF, BMP, EMF, WMF, PCX, "
                         "Targa, WebP, AVIF or JPEG XL)"
                       : "Not a picture format Snaprill reads (JPEG, PNG, GIF, BMP, EMF, WMF, PCX "
                         "or Targa)"},
    {FormatErrorKind::Truncated, "The picture data ends too early"},
    {FormatErrorKind::Damaged, "The picture data is damaged"},
    {FormatErrorKind::Unsupported, "Unsupported picture format"},
    {FormatErrorKind::Empty, "The picture has no pixels"},
    {FormatErrorKind::TooLarge, "The picture is too large"},
    {FormatErrorKind::EncoderFailed, "The picture could not be compressed"},
    {FormatErrorKind::OutOfOrder, "The file was not written in order"},
    // The fixed texts of the other kinds. Line breaks inside them are carriage
    // return and line feed.
    {FormatErrorKind::ColourTableFull, "Color table overflow"},
    {FormatErrorKind::ColourNotInTable, "Color not in color table"},
    {FormatErrorKind::PngInvalidFileHeader,
     "The file being readed is not a valid \"Portable Network Graphics\" image because it "
     "contains an invalid header. This file may be corruped, try obtaining it again."},
    {FormatErrorKind::PngUnexpectedEnd,
     "This \"Portable Network Graphics\" image is invalid because the decoder found an "
     "unexpected end of the file."},
    {FormatErrorKind::PngIhdrNotFirst,
     "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n"
     "(IHDR chunk is not the first)"},
    {FormatErrorKind::PngUnknownCriticalChunk,
     "This \"Portable Network Graphics\" image contains an unknown critical part which could "
     "not be decoded."},
    {FormatErrorKind::PngNoImageData, "This \"Portable Network Graphics\" image contains no data."},
    {FormatErrorKind::PngInvalidCrc,
     "This \"Portable Network Graphics\" image is not valid because it contains invalid pieces "
     "of data (crc error)"},
    {FormatErrorKind::PngInvalidIhdr,
     "The \"Portable Network Graphics\" image could not be loaded because one of its main "
     "piece of data (ihdr) might be corrupted"},
    {FormatErrorKind::PngUnknownCompression,
     "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme "
     "which could not be decoded."},
    {FormatErrorKind::PngUnknownInterlace,
     "This \"Portable Network Graphics\" image uses an unknown interlace scheme which could "
     "not be decoded."},
    {FormatErrorKind::PngInvalidPalette,
     "The \"Portable Network Graphics\" image contains an invalid palette."},
    {FormatErrorKind::PngMissingImageData,
     "This \"Portable Network Graphics\" image is invalid because it has missing image parts."},
    {FormatErrorKind::PngZlibError,
     "Could not decompress the image because it contains invalid compressed data.\r\n"
     " Description: "},
};

const char* textOf(FormatErrorKind kind) {
  for (const KindText& entry : kTexts) {
    if (entry.kind == kind) return entry.text;
  }
  return "Invalid picture data";
}

// The kinds whose codec's detail is the whole text.
bool detailIsText(FormatErrorKind kind) {
  switch (kind) {
    case FormatErrorKind::NotThisFormat:
    case FormatErrorKind::Truncated:
    case FormatErrorKind::Damaged:
    case FormatErrorKind::Unsupported:
    case FormatErrorKind::Empty:
    case FormatErrorKind::TooLarge:
    case FormatErrorKind::EncoderFailed:
    case FormatErrorKind::OutOfOrder:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string formatErrorText(FormatErrorKind kind, const std::string& detail) {
  if (detailIsText(kind) && !detail.empty()) return detail;
  std::string text = textOf(kind);
  if (kind == FormatErrorKind::PngZlibError) text += detail;
  return text;
}

FormatError asFormatError(const BitmapError& error) {
  const FormatErrorKind kind = error.kind() == BitmapErrorKind::TooLarge ? FormatErrorKind::TooLarge
                                                                         : FormatErrorKind::Damaged;
  return FormatError(kind, error.what());
}

}  // namespace snaprill
