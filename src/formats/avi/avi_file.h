// Uncompressed AVI video files: our stand-in for the Video for Windows file
// functions (open a file, create one video stream, set its format, write frames,
// release).
//
// Layout (RIFF, little-endian; each chunk: FOURCC, 32-bit size, data padded to even):
//   RIFF 'AVI '
//     LIST 'hdrl'
//       'avih' (56): us per frame, max bytes/s, padding, flags (0x10 has index),
//                    total frames, initial frames, streams (1), buffer size,
//                    width, height, 4 reserved
//       LIST 'strl'
//         'strh' (56): type 'vids', handler, flags, priority(2), language(2),
//                      initial frames, scale, rate, start, length, buffer size,
//                      quality (-1), sample size, frame rectangle (4 x 16 bits)
//         'strf': the stream format (BITMAPINFOHEADER and colour table)
//     LIST 'movi'
//       '00db' per frame: the frame's bits (size 0 for a skipped position)
//     'idx1': per chunk '00db', flags (0x10 key frame), offset from 'movi', size
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/format_error.h"
#include "image/bitmap.h"
#include "io/atomic_file.h"

namespace snaprill {

inline constexpr std::uint32_t kAviKeyFrame = 0x10;

struct AviStreamInfo {
  std::uint32_t fccType = 0;     // 'vids' for video
  std::uint32_t fccHandler = 0;  // 0: uncompressed
  std::uint32_t flags = 0;
  std::uint32_t scale = 1;  // the stream plays at rate / scale frames per second
  std::uint32_t rate = 1;
  std::uint32_t suggestedBufferSize = 0;
  Rect frame;
};

constexpr std::uint32_t fourcc(const char (&s)[5]) {
  return std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
         std::uint32_t(std::uint8_t(s[2])) << 16 | std::uint32_t(std::uint8_t(s[3])) << 24;
}

// The format of an 8-bit bitmap as a stream expects it: a 40-byte BITMAPINFOHEADER
// (bottom-up rows, BI_RGB, 256 colours used) followed by 256 RGBQUAD entries.
std::vector<std::uint8_t> bitmapInfo8(const Bitmap& picture);
// The pixels of an 8-bit bitmap as a device-independent bitmap stores them: rows
// bottom-up, each padded to 4 bytes.
std::vector<std::uint8_t> bitmapBits8(const Bitmap& picture);

// One AVI file being written. Nothing appears under its name until close()
// succeeds; a file destroyed unclosed leaves nothing behind. What the format refuses
// raises FormatError; what the disk refuses, the file's FileError.
class AviFile {
 public:
  // Creates the file; throws FileError (NotCreated) when it cannot.
  explicit AviFile(const std::string& path) : file_(path) {}

  // The one video stream. Throws FormatError: OutOfOrder for a second stream;
  // Unsupported for a type other than video, or a scale or rate of 0.
  void createStream(const AviStreamInfo& info);
  // The stream format, and the headers written for it. Throws FormatError:
  // OutOfOrder before the stream exists or once a format is set; Unsupported for
  // anything but a BITMAPINFOHEADER of 8 bits per pixel with its colour table.
  void setFormat(const std::vector<std::uint8_t>& format);
  // Writes one frame at position (positions skipped since the last write get empty
  // chunks). Throws FormatError: OutOfOrder before the format is set or for a
  // position already written; TooLarge when the file would outgrow maxBytes (the
  // format's 32-bit sizes).
  void write(std::int64_t position, const std::uint8_t* data, std::size_t size,
             std::uint32_t flags);
  // Writes the index, completes the headers and puts the file in place. Throws
  // FormatError (OutOfOrder) before the format is set.
  void close();

  // Largest file allowed (RIFF sizes are 32-bit); lowered by tests.
  std::uint64_t maxBytes = 0xFFFFFFFFull;

 private:
  std::vector<std::uint8_t> headers() const;
  void appendChunk(const std::uint8_t* data, std::size_t size, std::uint32_t flags);

  struct IndexEntry {
    std::uint32_t flags;
    std::uint32_t offset;
    std::uint32_t size;
  };
  AtomicFile file_;
  bool hasStream_ = false;
  AviStreamInfo info_;
  std::vector<std::uint8_t> format_;
  std::vector<IndexEntry> index_;
  std::uint64_t size_ = 0;       // bytes written so far
  std::uint64_t moviStart_ = 0;  // offset of the 'movi' FOURCC
};

}  // namespace snaprill
