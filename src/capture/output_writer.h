// Writing a capture in the chosen output type: a still file by the writer of the
// type's row (options/output_types.h), frames through the animation. A still file
// takes its name when its write is prepared and is written through a temporary
// file, so a failed write leaves nothing behind (and the caller gives its number
// back).
#pragma once

#include <memory>

#include "capture/output_names.h"
#include "image/arriving_rows.h"
#include "image/bitmap.h"
#include "options/options.h"
#include "platform/platform.h"

namespace snaprill {

struct SaveState;

// Prepares the write of a capture taken with `options`, on the user-interface
// thread at the capture's turn: a still file's name is taken now, or the capture
// goes to the animation (Animation::prepareFrame). The work converts the capture to
// the type's depth option, encodes and writes it; once it is made it owns the
// picture and its rows still being decoded (`rows`, or null), which only the JPEG
// writer takes as they come. The work throws when the file cannot be written (FileError for the
// file), and DamagedPictureError when rows turn out damaged after the top ones were written. Throws
// FileError when the output folder cannot be made, no number taken.
WriteWork prepareOutput(Bitmap& capture, std::unique_ptr<ArrivingRows>& rows,
                        const std::shared_ptr<const Options>& options, SaveState& state,
                        Platform& services);

}  // namespace snaprill
