#include "formats/png/png_unfilter.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <smmintrin.h>
#include <tmmintrin.h>
#endif

#include "image/over_white.h"

namespace snaprill::png {

namespace {

void unfilterSub(std::uint8_t* row, std::size_t size, std::size_t bpp) {
  for (std::size_t i = bpp; i < size; ++i)
    row[i] = static_cast<std::uint8_t>(row[i] + row[i - bpp]);
}

void unfilterUp(std::uint8_t* __restrict row, const std::uint8_t* __restrict prior,
                std::size_t size) {
  std::size_t i = 0;
#if defined(__SSE2__)
  for (; i + 16 <= size; i += 16) {
    const __m128i sum = _mm_add_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i)),
                                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(prior + i)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), sum);
  }
#endif
  for (; i < size; ++i) row[i] = static_cast<std::uint8_t>(row[i] + prior[i]);
}

void unfilterAverageScalar(std::uint8_t* row, const std::uint8_t* prior, std::size_t size,
                           std::size_t bpp) {
  for (std::size_t i = 0; i < size; ++i) {
    const int left = i >= bpp ? row[i - bpp] : 0;
    row[i] = static_cast<std::uint8_t>(row[i] + ((left + prior[i]) >> 1));
  }
}

void unfilterPaethScalar(std::uint8_t* row, const std::uint8_t* prior, std::size_t size,
                         std::size_t bpp) {
  for (std::size_t i = 0; i < size && i < bpp; ++i)
    row[i] = static_cast<std::uint8_t>(row[i] + prior[i]);
  for (std::size_t i = bpp; i < size; ++i)
    row[i] =
        static_cast<std::uint8_t>(row[i] + paethPredictor(row[i - bpp], prior[i], prior[i - bpp]));
}

#if defined(__SSE2__)
// Average and Paeth depend on the pixel to the left, so a row is undone one pixel
// after another; for 3- and 4-byte pixels the channels of a pixel are done together
// in 16-bit lanes. This is where most of the time of reading a screenshot goes.

template <std::size_t bpp>
__m128i loadPixel(const std::uint8_t* p) {
  // Put together in a register: a word assembled in memory from two smaller stores
  // and read back whole stalls store forwarding, several times over per pixel.
  std::uint32_t v;
  if constexpr (bpp == 4) {
    std::memcpy(&v, p, 4);
  } else {
    std::uint16_t low;
    std::memcpy(&low, p, 2);
    v = low | (std::uint32_t{p[2]} << 16);
  }
  return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(v)), _mm_setzero_si128());
}

template <std::size_t bpp>
void storePixel(std::uint8_t* p, __m128i lanes) {
  const auto v = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(lanes, lanes)));
  std::memcpy(p, &v, bpp);
}

__m128i abs16(__m128i x) {
  return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x));
}

__m128i select(__m128i mask, __m128i yes, __m128i no) {
  return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

template <std::size_t bpp>
void unfilterAverageVector(std::uint8_t* row, const std::uint8_t* prior, std::size_t size) {
  const __m128i low = _mm_set1_epi16(0xFF);
  __m128i a = _mm_setzero_si128();
  for (std::size_t i = 0; i < size; i += bpp) {
    const __m128i b = loadPixel<bpp>(prior + i);
    const __m128i x = loadPixel<bpp>(row + i);
    a = _mm_and_si128(_mm_add_epi16(x, _mm_srli_epi16(_mm_add_epi16(a, b), 1)), low);
    storePixel<bpp>(row + i, a);
  }
}

// One pixel of a Paeth row in 16-bit lanes: x is the filtered pixel, a the pixel
// to the left (already undone), b the one above, c the one above to the left.
// Returns the pixel undone; a and c move on to the next pixel.
__m128i paethStep(__m128i x, __m128i& a, __m128i b, __m128i& c) {
  const __m128i bc = _mm_sub_epi16(b, c);
  const __m128i ac = _mm_sub_epi16(a, c);
  const __m128i pa = abs16(bc);
  const __m128i pb = abs16(ac);
  const __m128i pc = abs16(_mm_add_epi16(bc, ac));
  const __m128i smallest = _mm_min_epi16(pa, _mm_min_epi16(pb, pc));
  // The format's tie order: a before b before c.
  const __m128i predicted =
      select(_mm_cmpeq_epi16(smallest, pa), a, select(_mm_cmpeq_epi16(smallest, pb), b, c));
  a = _mm_and_si128(_mm_add_epi16(x, predicted), _mm_set1_epi16(0xFF));
  c = b;
  return a;
}

template <std::size_t bpp>
void unfilterPaethVector(std::uint8_t* row, const std::uint8_t* prior, std::size_t size) {
  __m128i a = _mm_setzero_si128();
  __m128i c = _mm_setzero_si128();
  for (std::size_t i = 0; i < size; i += bpp)
    storePixel<bpp>(row + i, paethStep(loadPixel<bpp>(row + i), a, loadPixel<bpp>(prior + i), c));
}

// Two Paeth rows, the second under the first, one pixel of each in turn. Each row
// is a chain of dependent steps from pixel to pixel; two independent chains keep
// the processor busy while either one waits, nearly halving the time.
template <std::size_t bpp, typename Step>
inline void paethPair(std::uint8_t* row0, std::uint8_t* row1, const std::uint8_t* prior,
                      std::size_t size, Step step) {
  __m128i a0 = _mm_setzero_si128(), c0 = _mm_setzero_si128();
  __m128i a1 = _mm_setzero_si128(), c1 = _mm_setzero_si128();
  for (std::size_t i = 0; i < size; i += bpp) {
    const __m128i upper = step(loadPixel<bpp>(row0 + i), a0, loadPixel<bpp>(prior + i), c0);
    storePixel<bpp>(row0 + i, upper);
    // The second row's "above" is the pixel just made, its "upper left" the one before.
    storePixel<bpp>(row1 + i, step(loadPixel<bpp>(row1 + i), a1, upper, c1));
  }
}

template <std::size_t bpp>
void unfilterPaethPairVector(std::uint8_t* row0, std::uint8_t* row1, const std::uint8_t* prior,
                             std::size_t size) {
  paethPair<bpp>(row0, row1, prior, size, paethStep);
}

#if defined(__x86_64__) || defined(__i386__)
// The same step with the absolute values, selections and wrapping add of SSSE3 and
// SSE4.1: each is one instruction where SSE2 needs two or three, which shortens the
// chain from one pixel to the next by about a third.
__attribute__((target("sse4.1"))) inline __m128i paethStep41(__m128i x, __m128i& a, __m128i b,
                                                             __m128i& c) {
  const __m128i bc = _mm_sub_epi16(b, c);
  const __m128i ac = _mm_sub_epi16(a, c);
  const __m128i pa = _mm_abs_epi16(bc);
  const __m128i pb = _mm_abs_epi16(ac);
  const __m128i pc = _mm_abs_epi16(_mm_add_epi16(bc, ac));
  const __m128i notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
  const __m128i bOrC = _mm_blendv_epi8(b, c, _mm_cmpgt_epi16(pb, pc));
  // Both sums' parts have zero high bytes: adding bytes wraps each sample at 256
  // and leaves the high bytes zero.
  a = _mm_add_epi8(x, _mm_blendv_epi8(a, bOrC, notA));
  c = b;
  return a;
}

template <std::size_t bpp>
__attribute__((target("sse4.1"))) void unfilterPaethVector41(std::uint8_t* row,
                                                             const std::uint8_t* prior,
                                                             std::size_t size) {
  __m128i a = _mm_setzero_si128();
  __m128i c = _mm_setzero_si128();
  for (std::size_t i = 0; i < size; i += bpp)
    storePixel<bpp>(row + i, paethStep41(loadPixel<bpp>(row + i), a, loadPixel<bpp>(prior + i), c));
}

template <std::size_t bpp>
__attribute__((target("sse4.1"))) void unfilterPaethPairVector41(std::uint8_t* row0,
                                                                 std::uint8_t* row1,
                                                                 const std::uint8_t* prior,
                                                                 std::size_t size) {
  paethPair<bpp>(row0, row1, prior, size, paethStep41);
}

bool haveSse41() {
  static const bool yes = __builtin_cpu_supports("sse4.1");
  return yes;
}
#endif

using PaethRow = void (*)(std::uint8_t*, const std::uint8_t*, std::size_t);
using PaethPair = void (*)(std::uint8_t*, std::uint8_t*, const std::uint8_t*, std::size_t);

PaethRow paethRow(std::size_t bpp) {
#if defined(__x86_64__) || defined(__i386__)
  if (haveSse41()) return bpp == 3 ? unfilterPaethVector41<3> : unfilterPaethVector41<4>;
#endif
  return bpp == 3 ? unfilterPaethVector<3> : unfilterPaethVector<4>;
}

PaethPair paethPairOfRows(std::size_t bpp) {
#if defined(__x86_64__) || defined(__i386__)
  if (haveSse41()) return bpp == 3 ? unfilterPaethPairVector41<3> : unfilterPaethPairVector41<4>;
#endif
  return bpp == 3 ? unfilterPaethPairVector<3> : unfilterPaethPairVector<4>;
}
#endif

bool vectorPixels(std::size_t size, std::size_t bpp) {
  return (bpp == 3 || bpp == 4) && size % bpp == 0;
}

}  // namespace

bool unfilterTwo(std::uint8_t type0, std::uint8_t* row0, std::uint8_t type1, std::uint8_t* row1,
                 const std::uint8_t* prior, std::size_t size, std::size_t bpp) {
#if defined(__SSE2__)
  if (type0 == kPaeth && type1 == kPaeth && vectorPixels(size, bpp)) {
    paethPairOfRows(bpp)(row0, row1, prior, size);
    return true;
  }
#endif
  return unfilter(type0, row0, prior, size, bpp) && unfilter(type1, row1, row0, size, bpp);
}

bool unfilter(std::uint8_t type, std::uint8_t* row, const std::uint8_t* prior, std::size_t size,
              std::size_t bpp) {
#if defined(__SSE2__)
  const bool vector = vectorPixels(size, bpp);
#endif
  switch (type) {
    case kNone:
      return true;
    case kSub:
      unfilterSub(row, size, bpp);
      return true;
    case kUp:
      unfilterUp(row, prior, size);
      return true;
    case kAverage:
#if defined(__SSE2__)
      if (vector) {
        (bpp == 3 ? unfilterAverageVector<3> : unfilterAverageVector<4>)(row, prior, size);
        return true;
      }
#endif
      unfilterAverageScalar(row, prior, size, bpp);
      return true;
    case kPaeth:
#if defined(__SSE2__)
      if (vector) {
        paethRow(bpp)(row, prior, size);
        return true;
      }
#endif
      unfilterPaethScalar(row, prior, size, bpp);
      return true;
    default:
      return false;
  }
}

namespace {

template <std::size_t srcBpp>
void toBgrx(const std::uint8_t* src, std::uint8_t* dst, std::size_t from, std::size_t pixels) {
  for (std::size_t x = from; x < pixels; ++x) {
    const std::uint8_t* p = src + srcBpp * x;
    const std::uint8_t out[4] = {p[2], p[1], p[0], 0};
    std::memcpy(dst + 4 * x, out, 4);
  }
}

#if defined(__x86_64__) || defined(__i386__)
// One byte shuffle turns four pixels around; worth it, as every pixel of a
// screenshot passes here. Returns how many pixels were done (the rest are left to
// the plain loop, so that no load reaches past the row).
template <std::size_t srcBpp>
__attribute__((target("ssse3"))) std::size_t toBgrxShuffled(const std::uint8_t* src,
                                                            std::uint8_t* dst, std::size_t pixels) {
  const __m128i order =
      srcBpp == 3 ? _mm_setr_epi8(2, 1, 0, -128, 5, 4, 3, -128, 8, 7, 6, -128, 11, 10, 9, -128)
                  : _mm_setr_epi8(2, 1, 0, -128, 6, 5, 4, -128, 10, 9, 8, -128, 14, 13, 12, -128);
  std::size_t x = 0;
  for (; srcBpp * x + 16 <= srcBpp * pixels; x += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + srcBpp * x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x), _mm_shuffle_epi8(v, order));
  }
  return x;
}

bool haveShuffle() {
  static const bool yes = __builtin_cpu_supports("ssse3");
  return yes;
}
#endif

template <std::size_t srcBpp>
void convert(const std::uint8_t* src, std::uint8_t* dst, std::size_t pixels) {
  std::size_t done = 0;
#if defined(__x86_64__) || defined(__i386__)
  if (haveShuffle()) done = toBgrxShuffled<srcBpp>(src, dst, pixels);
#endif
  toBgrx<srcBpp>(src, dst, done, pixels);
}

}  // namespace

void rgbToBgrx(const std::uint8_t* src, std::uint8_t* dst, std::size_t pixels) {
  convert<3>(src, dst, pixels);
}

namespace {

// One R G B A pixel drawn over white, as B G R 0.
void pixelOverWhite(const std::uint8_t* p, std::uint8_t* out) {
  const std::uint8_t pixel[4] = {overWhite(p[2], p[3]), overWhite(p[1], p[3]),
                                 overWhite(p[0], p[3]), 0};
  std::memcpy(out, pixel, 4);
}

#if defined(__x86_64__) || defined(__i386__)
// Opaque groups of four pixels, nearly all of them in a screenshot, take the byte
// shuffle; a group with any transparency is blended pixel by pixel. Returns how many
// pixels were done.
__attribute__((target("ssse3"))) std::size_t overWhiteShuffled(const std::uint8_t* src,
                                                               std::uint8_t* dst,
                                                               std::size_t pixels) {
  const __m128i order =
      _mm_setr_epi8(2, 1, 0, -128, 6, 5, 4, -128, 10, 9, 8, -128, 14, 13, 12, -128);
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  std::size_t x = 0;
  for (; x + 4 <= pixels; x += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * x));
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(v, opaque), opaque)) == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x), _mm_shuffle_epi8(v, order));
    } else {
      for (std::size_t i = x; i < x + 4; ++i) pixelOverWhite(src + 4 * i, dst + 4 * i);
    }
  }
  return x;
}
#endif

}  // namespace

void rgbaOverWhiteToBgrx(const std::uint8_t* src, std::uint8_t* dst, std::size_t pixels) {
  std::size_t done = 0;
#if defined(__x86_64__) || defined(__i386__)
  if (haveShuffle()) done = overWhiteShuffled(src, dst, pixels);
#endif
  for (std::size_t x = done; x < pixels; ++x) pixelOverWhite(src + 4 * x, dst + 4 * x);
}

}  // namespace snaprill::png
