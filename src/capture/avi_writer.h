// The AVI writer: the frames of an animation as an uncompressed 8-bit video.
#pragma once

#include <optional>
#include <string>

#include "formats/gif/gif_image.h"
#include "options/texts.h"
#include "platform/platform.h"

namespace snaprill {

// Writes the frames of image to path, every frame a key frame, played at
// 100 / (frame delay in hundredths) frames per second: each frame shows for its
// delay, as in the GIF. Shows the busy cursor meanwhile; lets no window event
// through, so that nothing else happens in the middle of a capture. Nothing when the
// file was written, else the error text of the step that failed, for its box;
// nothing is left behind then.
std::optional<std::string> writeAviFile(GifImage& image, const std::string& path,
                                        const Texts& texts, Platform& platform);

}  // namespace snaprill
