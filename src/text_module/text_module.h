// What snaprill-batch and the text module agree on: a C interface of plain data.
// snaprill-batch carries its own copy of the C++ library and the module uses the
// system's, so no C++ object, allocation or exception may pass between them; every
// function below catches what the module throws and reports failure instead.
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

typedef struct SnaprillTextRenderer SnaprillTextRenderer;  // opaque, owned by the module

typedef struct SnaprillTextColour {
  uint8_t red, green, blue;
} SnaprillTextColour;

#define SNAPRILL_TEXT_BOLD 1u
#define SNAPRILL_TEXT_ITALIC 2u
#define SNAPRILL_TEXT_UNDERLINE 4u
#define SNAPRILL_TEXT_STRIKE_OUT 8u

typedef struct SnaprillTextFont {
  const char* name;   // UTF-8, NUL-terminated; fontconfig stands in for a missing face
  int32_t pointSize;  // at 96 dots per inch
  uint32_t style;     // SNAPRILL_TEXT_* bits
  SnaprillTextColour colour;
} SnaprillTextFont;

typedef struct SnaprillTextSize {
  int32_t width, height;
} SnaprillTextSize;

// Pixels the caller owns and the module draws into in place: rows top first, each
// `stride` bytes from the last; 32 bits per pixel as B G R X or 24 as B G R.
typedef struct SnaprillTextTarget {
  uint8_t* pixels;
  int32_t width, height;
  int32_t bitsPerPixel;
  size_t stride;
} SnaprillTextTarget;

// A renderer that starts an offscreen Qt application the first time it measures or
// draws, or NULL when it cannot be made. Destroying it shuts down what it started.
SnaprillTextRenderer* snaprill_text_create(void);
void snaprill_text_destroy(SnaprillTextRenderer* renderer);

// Width and height of the cell of `length` bytes of UTF-8 text; 0 x 0 on failure.
SnaprillTextSize snaprill_text_measure(SnaprillTextRenderer* renderer, const char* utf8,
                                       size_t length, const SnaprillTextFont* font);

// Draws the text as one line with its cell's top-left corner at (x, y), cut off at
// the target's edges. With a background colour (non-NULL) the cell is filled first.
// Returns 0 when drawn, -1 when the target's format is neither 32 nor 24 bits per
// pixel or drawing failed; the target is then unchanged or partly drawn.
int snaprill_text_draw(SnaprillTextRenderer* renderer, const SnaprillTextTarget* target, int32_t x,
                       int32_t y, const char* utf8, size_t length, const SnaprillTextFont* font,
                       const SnaprillTextColour* background);

#ifdef __cplusplus
}  // extern "C"

namespace snaprill {

inline constexpr const char* kTextModuleFile = "snaprill-text.so";

}  // namespace snaprill
#endif
