// The overlay picture: a picture the user loads once and has drawn onto every
// capture (when the option says), kept until it is cleared or replaced.
#pragma once

#include <string>

#include "image/bitmap.h"

namespace snaprill {

class OverlayPicture {
 public:
  const Bitmap& picture() const { return picture_; }
  bool empty() const { return picture_.empty(); }
  void set(Bitmap picture) { picture_ = std::move(picture); }
  void clear() { picture_ = Bitmap(); }

  // Replaces the picture by the one in the file. Whatever goes wrong, the picture
  // stays as it was. A Targa or Windows-bitmap file that cannot be read is passed
  // over in silence, as it always has been; any other failure is thrown for the
  // program-wide handler.
  void load(const std::string& path);

 private:
  Bitmap picture_;
};

}  // namespace snaprill
