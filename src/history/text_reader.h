// Reading the words in a picture: what the capture history's background reader
// asks of an engine, and the picture in the form engines take (one grey byte per
// pixel), brought within the size a picture is read at.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/bitmap.h"

namespace snaprill {

struct GreyPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // rows top first, no padding
};

// Pictures up to this many pixels are read as they are (a 4K screen); larger ones are
// shrunk by a whole factor to fit, and ones that would need more than kMaxShrink are
// not read at all (their text would be too small to read anyway).
inline constexpr std::int64_t kMaxReadPixels = std::int64_t{3840} * 2160;
inline constexpr int kMaxShrink = 4;

// The factor a picture of this size is shrunk by to be read (1: as it is), or 0
// when it is too large to read.
int readingShrink(int width, int height);

// The picture as grey levels, each pixel the average of shrink x shrink pixels (any
// bit depth; a palette's colours are used). An empty bitmap gives an empty picture.
GreyPicture greyPicture(const Bitmap& picture, int shrink);

// Light text on a dark ground (a terminal, a title bar, a dark theme) turned into
// dark text on a light one, tile by tile: a tile whose mean grey is below
// kDarkGround is inverted. Tesseract reads dark on light; a light line it reads
// once as it is and then again inverted, which doubles the time a terminal takes.
inline constexpr int kDarkGround = 100;
inline constexpr int kPolarityTile = 64;
void darkTextOnLight(GreyPicture& picture, int tile = kPolarityTile);

class TextReader {
 public:
  virtual ~TextReader() = default;
  // Whether text can be read at all (the engine and its language data are there).
  virtual bool available() = 0;
  // The words, in reading order, separated by spaces and line breaks; nothing when
  // the engine failed on this picture.
  virtual std::optional<std::string> read(const GreyPicture& picture) = 0;
  // Nothing is left to read: the engine's memory (its language models) goes until
  // the next picture comes.
  virtual void release() {}
  // From any thread: the picture being read is given up as soon as the engine
  // looks (read() then gives nothing), and so is every later one. The program is
  // quitting and must not wait seconds for a picture.
  virtual void cancel() {}
};

}  // namespace snaprill
