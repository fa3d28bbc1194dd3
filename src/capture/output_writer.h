// Writing a capture in the chosen output type: a still file by the writer of the
// type's row (options/output_types.h), frames through the animation. A still file
// takes its name just before writing and is written through a temporary file, so a
// failed write leaves nothing behind (and saveCapture gives its number back).
#pragma once

#include "capture/output_names.h"
#include "image/arriving_rows.h"
#include "image/bitmap.h"
#include "options/options.h"
#include "options/texts.h"
#include "platform/platform.h"

namespace snaprill {

struct SaveState;

// Writes capture, which the type's depth option may convert first. `arriving`
// holds back rows still being decoded, which only the JPEG writer takes as they
// come. Throws when a file cannot be written (FileError for the file), and
// DamagedPictureError when rows turn out damaged after the top ones were written;
// the counter then stays advanced past the name that was to be written.
WriteOutcome writeCapture(Bitmap& capture, const Options& options, SaveState& state,
                          const Texts& texts, Platform& services, const ArrivingRows& arriving);

}  // namespace snaprill
