// What WebP, AVIF and JPEG XL share in this program: the quality scale of their
// strip, and whether the libraries that write them are built in.
//
// A build without those libraries compiles, in place of each codec, the stand-in
// beside it (formats/<codec>/<codec>_absent.cpp), which refuses every picture.
//
// A quality runs 1 to 100 as JPEG's does; one step beyond, kLosslessQuality, stands
// for lossless (WebP, JPEG XL), so that the strip's right end is the best there is
// and a settings file holds one number per type.
#pragma once

namespace snaprill {

inline constexpr int kLosslessQuality = 101;

#if SNAPRILL_MODERN_TYPES
inline constexpr bool kModernTypesBuilt = true;
#else
inline constexpr bool kModernTypesBuilt = false;
#endif

// What the stand-ins throw: FormatError Unsupported, saying what the build lacks.
[[noreturn]] void refuseWithoutModernLibraries();

}  // namespace snaprill
