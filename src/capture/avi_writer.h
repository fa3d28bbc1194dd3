// The AVI writer: the frames of an animation as an uncompressed 8-bit video.
#pragma once

#include <optional>
#include <string>

#include "formats/gif/gif_image.h"

namespace snaprill {

// Writes the frames of image to path, every frame a key frame, played at
// 100 / (frame delay in hundredths) frames per second: each frame shows for its
// delay, as in the GIF. Nothing when the file was written, else the key of the
// error text ([Error] AVIError1 to AVIError5) of the step that failed, for its box;
// nothing is left behind then. Touches nothing but its arguments: it may run on any
// thread.
std::optional<std::string> writeAviFile(GifImage& image, const std::string& path);

}  // namespace snaprill
