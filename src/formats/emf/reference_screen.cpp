#include "formats/emf/reference_screen.h"

#include <algorithm>
#include <cstdint>

namespace snaprill {

ReferenceScreen ReferenceScreen::at96Dpi(int widthPixels, int heightPixels) {
  // 25.4 mm per inch over 96 dots per inch, rounded to whole millimetres.
  const auto millimetres = [](int pixels) {
    const std::int64_t p = std::max(pixels, 0);
    return static_cast<int>((p * 254 * 2 + 960) / (2 * 960));
  };
  ReferenceScreen s;
  s.widthPixels = widthPixels;
  s.heightPixels = heightPixels;
  s.widthMillimetres = millimetres(widthPixels);
  s.heightMillimetres = millimetres(heightPixels);
  return s;
}

}  // namespace snaprill
