// Everything known of an output type, in one row per type (output_types.cpp): its
// place in the type list, which settings files store; the extension of its files;
// its names in the top strip and the type picker and its description in the
// language file; the number the quality bar holds for it; the list that converts
// captures before they are written; how it writes a still file and whether it
// animates; and how the picture loader knows its files. A type is its codec under
// formats/ plus one row: the option table, the quality bar, the language schema, the
// file names, the writers, the type picker and the top strip read the rows. Beyond
// the row, a type the loader reads needs its signature there (the loader sits below
// this layer), and one with a number of its own an option to keep it in.
//
// The table lives here, not in formats/, because a row names options (its quality,
// its depth list); everything that reads it is in this layer or above.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "base/byte_sink.h"
#include "formats/loader/picture_loader.h"
#include "formats/modern_types.h"
#include "image/arriving_rows.h"
#include "image/bitmap.h"
#include "options/options.h"
#include "platform/services.h"

namespace snaprill {

// The number a type takes from the quality bar.
struct QualityUse {
  Option stored;            // holds it; its range is the bar's range for the type
  int largeStep;            // how far a click in the bar's track moves it
  const char* recommended;  // the caption's %r; nullptr: a level, not a quality
};

// The list (or check box) on the type's page that converts captures before they are
// written: the pixel format of each entry, 0 for "as the capture arrived".
struct DepthChoice {
  Option chosen;
  std::span<const int> formats;
};

// How captures become files of the type.
enum class Frames : std::uint8_t {
  still,       // one file per capture
  gifFrames,   // gathered by the GIF animation: a GIF per capture, or N in one file
  fullColour,  // one file per capture, or N as one animation when one is asked for
};

// What a still writer gets besides the picture.
struct StillSettings {
  int quality = 0;                         // the number of its QualityUse, 0 without
  ReferenceScreen screen{};                // what metafiles are recorded against
  const ArrivingRows* arriving = nullptr;  // rows still being decoded
};

// Writes picture as one file of the type. Throws as the codec does, and
// DamagedPictureError when rows turn out damaged after the top ones were written.
using StillWriter = void (*)(const Bitmap& picture, const StillSettings& settings, ByteSink& out);

struct OutputTypeInfo {
  OutputType type;  // its place in the type list, as [Snaprill] ImageType stores it
  std::string_view extension;
  const char* stripName;
  const char* pickerName;      // fixed, not translated: formats as they call themselves
  const char* descriptionKey;  // in the language file's [Descriptions]
  const char* description;     // the built-in English text of that key
  std::optional<QualityUse> quality = std::nullopt;
  std::optional<DepthChoice> depth = std::nullopt;
  Frames frames = Frames::still;
  StillWriter write = nullptr;  // nullptr: only the GIF animation writes it
  // Takes the rows of a picture that is still being decoded, as they arrive.
  bool takesArrivingRows = false;
  // How the picture loader knows the type's files; none: it does not read them.
  std::optional<PictureKind> readAs = std::nullopt;
  // Written by libraries this build may lack (-DSNAPRILL_MODERN_TYPES=OFF).
  bool needsModernLibraries = false;
};

// The types this build offers, the first of the type list: all of them, or those
// that need no library it lacks (the rows check that those come last).
inline constexpr int kOfferedOutputTypeCount = kModernTypesBuilt ? kOutputTypeCount : kWebp;

// Every row, in the order of the type list.
std::span<const OutputTypeInfo> outputTypes();
// The rows of the types this build offers.
std::span<const OutputTypeInfo> offeredOutputTypes();
// The row of a type; a number outside the list is written as a Windows bitmap.
const OutputTypeInfo& outputTypeInfo(int type);

}  // namespace snaprill
