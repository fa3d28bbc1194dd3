// The codecs' one error: every reader and writer in formats/ raises FormatError, with
// a closed kind that callers decide by and the text of formatErrorText.
//
// Two sorts of kinds. The general ones (NotThisFormat to OutOfOrder) are met by many
// codecs; the codec says where it failed in the detail ("Targa data truncated"), and
// that detail is the text. The others stand for one failure each and have a fixed
// text of their own; only PngZlibError adds a detail, zlib's message.
//
// The disk's failures are not among them: writers pass on the sink's FileError.
#pragma once

#include <stdexcept>
#include <string>

#include "image/bitmap_error.h"

namespace snaprill {

enum class FormatErrorKind {
  NotThisFormat,  // the bytes are not the format the reader reads (signature, magic)
  Truncated,      // the data ends before the picture does
  Damaged,        // the data contradicts itself, or the library reading it refused it
  Unsupported,    // a variant of the format (depth, encoding, type) this codec lacks
  Empty,          // nothing to read or write: no pixels, no image, no frames
  // Too large for the format's fields, or for what a reader will spend on a
  // picture (reader_limits.h: pixels; also scans, drawing records).
  TooLarge,
  EncoderFailed,  // the library that compresses (zlib, libjpeg) gave up
  OutOfOrder,     // a writer's steps called in the wrong order, or one twice

  ColourTableFull,   // "Color table overflow": a GIF colour table holds 256 already
  ColourNotInTable,  // "Color not in color table": a GIF pixel beyond its table

  // The PNG reader's failures (its too-large picture is TooLarge).
  PngInvalidFileHeader,
  PngUnexpectedEnd,
  PngIhdrNotFirst,
  PngUnknownCriticalChunk,
  PngNoImageData,
  PngInvalidCrc,
  PngInvalidIhdr,
  PngUnknownCompression,
  PngUnknownInterlace,
  PngInvalidPalette,
  PngMissingImageData,  // the image data ends in a chunk that is not IDAT
  PngZlibError,         // the detail is zlib's message; keep this kind last
};

// The text of an error of this kind with this detail. A general kind without a
// detail gets a plain sentence of its own.
std::string formatErrorText(FormatErrorKind kind, const std::string& detail = {});

class FormatError : public std::runtime_error {
 public:
  explicit FormatError(FormatErrorKind kind, const std::string& detail = {})
      : std::runtime_error(formatErrorText(kind, detail)), kind_(kind), detail_(detail) {}

  FormatErrorKind kind() const { return kind_; }
  const std::string& detail() const { return detail_; }

 private:
  FormatErrorKind kind_;
  std::string detail_;
};

// A reader's bitmap that could not be made, as the reader's failure: too large stays
// too large; a size or format the header made up is damage.
FormatError asFormatError(const BitmapError& error);

}  // namespace snaprill
