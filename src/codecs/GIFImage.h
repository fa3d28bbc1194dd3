// GIF image: frames, extensions and the encoder. (Filled in with the GIF encoder.)
#pragma once

namespace snaprill {

class GIFImage {};

}  // namespace snaprill
