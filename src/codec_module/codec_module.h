// What the programs and the codec module agree on: a C interface of plain data.
//
// AVIF and JPEG XL are written and read by libavif and libjxl, which bring some forty
// libraries (AV1 encoders and decoders, abseil, brotli, highway, lcms2). Mapping them
// took most of every run's start-up although few runs write or read those types, so
// they live in a module the programs load on first use (formats/modern_module.h).
//
// snaprill-batch carries its own copy of the C++ library and the module uses the
// system's, so no C++ object, allocation or exception passes between them: the module
// catches everything and returns one of the results below, with a message; the
// program's callbacks catch what they throw and return 0 to stop the module.
#pragma once

#ifdef __cplusplus
#include <cstddef>
#include <cstdint>
#else
#include <stddef.h>
#include <stdint.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define SNAPRILL_CODEC_MODULE_FILE "snaprill-codecs.so"

enum { SNAPRILL_CODEC_AVIF = 0, SNAPRILL_CODEC_JPEG_XL = 1 };

// What a call came to; the failures are formats/format_error.h's kinds of the same
// names.
enum {
  SNAPRILL_CODEC_DONE = 0,
  SNAPRILL_CODEC_NOT_THIS_FORMAT,
  SNAPRILL_CODEC_TRUNCATED,
  SNAPRILL_CODEC_DAMAGED,
  SNAPRILL_CODEC_EMPTY,
  SNAPRILL_CODEC_ENCODER_FAILED,
  SNAPRILL_CODEC_STOPPED,  // a callback returned 0; the program knows why
};

// Rows of B G R X pixels (X: 0, or the opacity after a read), top row first.
typedef struct SnaprillCodecPixels {
  uint8_t* rows;
  uint32_t width, height;
  size_t stride;
} SnaprillCodecPixels;

// Where a written file goes: write returns 0 to stop.
typedef struct SnaprillCodecOutput {
  void* context;
  int (*write)(void* context, const uint8_t* data, size_t size);
} SnaprillCodecOutput;

// The program's pixels for a decoded picture of width x height, made after its own
// budget; make returns 0 to stop. maxPixels: the budget, for the library to refuse
// larger pictures while it parses.
typedef struct SnaprillCodecCanvas {
  void* context;
  uint32_t maxPixels;
  int (*make)(void* context, uint32_t width, uint32_t height, SnaprillCodecPixels* pixels);
} SnaprillCodecCanvas;

// Writes 32-bit picture as codec's file at quality (1..100, or 101 for lossless where
// the type has it). A failure's text goes to message (NUL-terminated, cut to
// messageSize).
typedef int SnaprillCodecWrite(int codec, const SnaprillCodecPixels* picture, int quality,
                               const SnaprillCodecOutput* out, char* message, size_t messageSize);
// Reads the first picture of codec's file into the canvas's pixels.
typedef int SnaprillCodecRead(int codec, const uint8_t* data, size_t size,
                              const SnaprillCodecCanvas* canvas, char* message, size_t messageSize);

SnaprillCodecWrite snaprill_codec_write;
SnaprillCodecRead snaprill_codec_read;

#ifdef __cplusplus
}
#endif
