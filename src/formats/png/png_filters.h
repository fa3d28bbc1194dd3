// The five PNG row filters as the writer applies them; undoing them is in
// png_unfilter.h. bpp is the number of bytes of one complete pixel (at least 1); the
// byte "to the left" of the first bpp bytes, and the prior row of the first row, are 0.
#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/png/png_unfilter.h"

namespace snaprill::png {

// The predictor of byte i of a row: what the filter subtracts when writing and
// adds back when reading.
inline std::uint8_t predictor(std::uint8_t type, const std::uint8_t* row, const std::uint8_t* prior,
                              std::size_t i, std::size_t bpp) {
  const int left = i >= bpp ? row[i - bpp] : 0;
  const int above = prior[i];
  const int upperLeft = i >= bpp ? prior[i - bpp] : 0;
  switch (type) {
    case kSub:
      return static_cast<std::uint8_t>(left);
    case kUp:
      return static_cast<std::uint8_t>(above);
    case kAverage:
      return static_cast<std::uint8_t>((left + above) / 2);
    case kPaeth:
      return paethPredictor(left, above, upperLeft);
    default:
      return 0;
  }
}

// Applies a filter: out[i] = row[i] - predictor (row itself is left unfiltered).
inline void filterRow(std::uint8_t type, const std::uint8_t* row, const std::uint8_t* prior,
                      std::uint8_t* out, std::size_t size, std::size_t bpp) {
  for (std::size_t i = 0; i < size; ++i)
    out[i] = static_cast<std::uint8_t>(row[i] - predictor(type, row, prior, i, bpp));
}

}  // namespace snaprill::png
