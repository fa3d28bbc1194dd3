// The AVI writer: the frames of an animation as an uncompressed 8-bit video.
#pragma once

#include <string>

#include "formats/gif/gif_image.h"
#include "options/texts.h"
#include "platform/platform.h"

namespace snaprill {

// Writes the frames of image to path, every frame a key frame, played at
// 100 / (frame delay in hundredths) frames per second: each frame shows for its
// delay, as in the GIF. Lets pending window events through between
// frames and shows the busy cursor meanwhile. Returns false, after an error box with
// the matching text, when the file could not be written; nothing is left behind then.
bool writeAviFile(GifImage& image, const std::string& path, const Texts& texts, Platform& platform);

}  // namespace snaprill
