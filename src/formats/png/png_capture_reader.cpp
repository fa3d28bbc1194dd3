#include "formats/png/png_capture_reader.h"

#include <libdeflate.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "base/unaligned.h"
#include "base/worker_thread.h"
#include "formats/png/png_layout.h"
#include "formats/png/png_unfilter.h"
#include "formats/zlib/zlib_inflate.h"
#include "image/over_white.h"
#include "image/pixel_buffer.h"

namespace snaprill {

namespace {

struct Header {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  unsigned colourType = 0;
  std::size_t channels = 0;
};

// The parts of the file the picture is made from: header, palette and the
// compressed image data (one span when it came in one IDAT chunk, which is common
// for small files; otherwise the chunks joined).
struct Parts {
  Header header;
  std::span<const std::uint8_t> palette;
  std::vector<std::span<const std::uint8_t>> data;
  std::size_t dataBytes = 0;
};

bool crcMatches(const std::uint8_t* chunk, std::uint32_t length) {
  const std::uint32_t crc = libdeflate_crc32(0, chunk + 4, std::size_t{length} + 4);
  return crc == loadBe32(chunk + 8 + length);
}

// False for anything this reader leaves to the general one.
bool readParts(const std::uint8_t* file, std::size_t size, Parts& parts) {
  if (!startsWithPngSignature(file, size)) return false;
  std::size_t pos = sizeof kPngSignature;
  bool first = true;
  bool dataEnded = false;
  for (;;) {
    if (size - pos < 12) return false;
    const std::uint8_t* chunk = file + pos;
    const std::uint32_t length = loadBe32(chunk);
    if (length > size - pos - 12) return false;
    const std::uint8_t* body = chunk + 8;
    const auto is = [&](const char* type) { return std::memcmp(chunk + 4, type, 4) == 0; };
    if (first != is("IHDR")) return false;
    first = false;
    if (is("IHDR") || is("PLTE") || is("IDAT")) {
      if (!crcMatches(chunk, length)) return false;
    }
    if (is("IHDR")) {
      if (length != 13) return false;
      Header& h = parts.header;
      h.width = loadBe32(body);
      h.height = loadBe32(body + 4);
      h.colourType = body[9];
      const unsigned depth = body[8], compression = body[10], filter = body[11];
      const unsigned interlace = body[12];
      if (depth != 8 || compression != 0 || filter != 0 || interlace != 0) return false;
      switch (h.colourType) {
        case 0:
        case 3:
          h.channels = 1;
          break;
        case 4:
          h.channels = 2;
          break;
        case 2:
          h.channels = 3;
          break;
        case 6:
          h.channels = 4;
          break;
        default:
          return false;
      }
      if (h.width == 0 || h.height == 0 ||
          std::uint64_t{h.width} * h.height * 4 > kMaxPngCaptureBytes)
        return false;
    } else if (is("PLTE")) {
      if (length % 3 != 0 || length > 768) return false;
      parts.palette = {body, length};
    } else if (is("IDAT")) {
      if (dataEnded) return false;
      parts.data.emplace_back(body, length);
      parts.dataBytes += length;
    } else if (is("IEND")) {
      break;
    } else if (is("tRNS")) {
      return false;  // transparency by colour key: the general reader applies it
    } else if ((chunk[4] & 0x20) == 0) {
      return false;  // a critical chunk this reader does not know
    }
    if (!parts.data.empty() && !is("IDAT")) dataEnded = true;
    pos += std::size_t{length} + 12;
  }
  if (parts.data.empty()) return false;
  return parts.header.colourType != 3 || !parts.palette.empty();
}

constexpr std::size_t kMostInflatedPerByte = 1032;

struct DecompressorDeleter {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

struct PixelsDeleter {
  std::size_t bytes = 0;
  void operator()(std::uint8_t* p) const { freePixels(p, bytes); }
};
using RowBuffer = std::unique_ptr<std::uint8_t[], PixelsDeleter>;

// The compressed data in one piece.
std::vector<std::uint8_t> joinedData(const Parts& parts) {
  std::vector<std::uint8_t> joined;
  joined.reserve(parts.dataBytes);
  for (const auto& piece : parts.data) joined.insert(joined.end(), piece.begin(), piece.end());
  return joined;
}

// Room for the filtered rows, each a filter-type byte and its samples, one after
// another. Not cleared first: inflating writes every byte that is used.
RowBuffer rowBuffer(std::size_t bytes) {
  return RowBuffer(static_cast<std::uint8_t*>(allocatePixels(bytes)), PixelsDeleter{bytes});
}

bool inflateWhole(const Parts& parts, std::uint8_t* rows, std::size_t expected) {
  std::vector<std::uint8_t> joined;
  std::span<const std::uint8_t> input = parts.data.front();
  if (parts.data.size() > 1) {
    joined = joinedData(parts);
    input = joined;
  }
  const std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> decompressor(
      libdeflate_alloc_decompressor());
  if (!decompressor) return false;
  std::size_t produced = 0;
  const libdeflate_result result = libdeflate_zlib_decompress(
      decompressor.get(), input.data(), input.size(), rows, expected, &produced);
  return result == LIBDEFLATE_SUCCESS && produced == expected;
}

// One unfiltered row of samples into B G R X.
void convertRow(const Header& h, const std::uint8_t* src, const std::vector<std::uint32_t>& lookup,
                std::uint8_t* dst) {
  const std::size_t width = h.width;
  switch (h.colourType) {
    case 2:
      png::rgbToBgrx(src, dst, width);
      break;
    case 6:
      png::rgbaOverWhiteToBgrx(src, dst, width);
      break;
    case 4:
      // Gray with alpha: the gray level over white.
      for (std::size_t x = 0; x < width; ++x) {
        const std::uint8_t level = overWhite(src[2 * x], src[2 * x + 1]);
        const std::uint8_t pixel[4] = {level, level, level, 0};
        std::memcpy(dst + 4 * x, pixel, 4);
      }
      break;
    default:
      // Gray and palette: one lookup per pixel.
      for (std::size_t x = 0; x < width; ++x) {
        const std::uint32_t v = lookup[src[x * h.channels]];
        std::memcpy(dst + 4 * x, &v, 4);
      }
      break;
  }
}

// B G R X words for the 256 sample values of gray and palette pictures; palette
// entries the file does not give are black.
std::vector<std::uint32_t> lookupTable(const Parts& parts) {
  std::vector<std::uint32_t> table(256, 0);
  if (parts.header.colourType == 2 || parts.header.colourType == 6) return table;
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t r = i, g = i, b = i;
    if (parts.header.colourType == 3) {
      if (3 * i >= parts.palette.size()) break;
      r = parts.palette[3 * i];
      g = parts.palette[3 * i + 1];
      b = parts.palette[3 * i + 2];
    }
    // Stored little-endian as B G R X.
    table[i] = b | (g << 8) | (r << 16);
  }
  return table;
}

// Everything the rows are made from, and the picture they go into. Shared by the
// thread that hands the picture over and the worker that finishes its rows.
struct RowJob {
  Header header;
  RowBuffer rows;                        // filtered rows, each after its filter-type byte
  std::vector<std::uint8_t> compressed;  // what the rows are inflated from, when streamed
  std::size_t rowBytes = 0;
  std::vector<std::uint32_t> lookup;
  std::vector<std::uint8_t> zeroRow;
  std::uint8_t* pixels = nullptr;  // the capture's rows, top first, 4 bytes a pixel
  std::uint32_t split = 0;         // where a second thread may start; 0: nowhere
  std::atomic<bool> lowerPartTaken{false};

  std::uint8_t* row(std::uint32_t y) const { return rows.get() + std::size_t{y} * (rowBytes + 1); }
  std::uint8_t* out(std::uint32_t y) const { return pixels + std::size_t{y} * 4 * header.width; }
};

bool allFiltersKnown(const RowJob& job) {
  for (std::uint32_t y = 0; y < job.header.height; ++y) {
    if (job.row(y)[0] > png::kPaeth) return false;
  }
  return true;
}

// Readers are told of finished rows in steps of a JPEG block row: finer steps would
// only wake them more often.
constexpr std::uint32_t kPublishStep = 16;

// Rows from..to-1; the row before `from` must be done already, or `from` must be a
// row whose filter does not look at the row above. False at a filter type the
// format does not have: rows from there on are left undone.
bool decodeRows(const RowJob& job, std::uint32_t from, std::uint32_t to) {
  const std::size_t stride = job.rowBytes + 1;
  const std::size_t bpp = job.header.channels;
  const std::uint8_t* prior = from == 0 ? job.zeroRow.data() : job.row(from - 1) + 1;
  for (std::uint32_t y = from; y < to;) {
    std::uint8_t* row = job.row(y);
    // Two Paeth rows in a row are undone together, nearly twice as fast.
    const bool pair = y + 1 < to && row[0] == png::kPaeth && row[stride] == png::kPaeth;
    if (pair) {
      png::unfilterTwo(row[0], row + 1, row[stride], row + stride + 1, prior, job.rowBytes, bpp);
    } else if (!png::unfilter(row[0], row + 1, prior, job.rowBytes, bpp)) {
      return false;
    }
    const std::uint32_t rowsDone = pair ? 2 : 1;
    for (std::uint32_t n = 0; n < rowsDone; ++n)
      convertRow(job.header, row + n * stride + 1, job.lookup, job.out(y + n));
    prior = row + (rowsDone - 1) * stride + 1;
    y += rowsDone;
  }
  return true;
}

// Rough time to undo and convert a row of each filter type, Paeth being by far the
// slowest: what the split of the rows between two threads balances.
constexpr unsigned kRowCost[5] = {2, 3, 2, 5, 9};

unsigned rowCost(std::uint8_t type) {
  return type < 5 ? kRowCost[type] : 1;
}

// A row whose filter (None or Sub) does not look at the row above, chosen so that
// the rows before it and the rows from it take about as long: from there on, the
// rows can be undone at the same time as those before. 0 when no such row splits
// the work better than three to one.
std::uint32_t balancedSplit(const RowJob& job) {
  const std::uint32_t height = job.header.height;
  std::uint64_t total = 0;
  for (std::uint32_t y = 0; y < height; ++y) total += rowCost(job.row(y)[0]);
  std::uint32_t best = 0;
  std::uint64_t bestImbalance = total / 2;  // a quarter against three quarters
  std::uint64_t before = 0;
  for (std::uint32_t y = 0; y < height; ++y) {
    const std::uint8_t type = job.row(y)[0];
    if (y > 0 && (type == png::kNone || type == png::kSub)) {
      const std::uint64_t after = total - before;
      const std::uint64_t imbalance = before > after ? before - after : after - before;
      if (imbalance < bestImbalance) {
        best = y;
        bestImbalance = imbalance;
      }
    }
    before += rowCost(type);
  }
  return best;
}

// How often, in rows, the streamed inflater reports its progress.
constexpr std::size_t kStreamStepRows = 4;

// Worth a second thread from about a screen's quarter.
constexpr std::size_t kSplitFromBytes = std::size_t{1} << 20;

// A picture taken whole, inflated already: the worker goes down from the top, and
// on past the split unless the holder, waiting for the picture, has taken the rows
// from there already.
void startSplitRows(const std::shared_ptr<RowJob>& job, ArrivingRows& arriving) {
  const std::uint32_t height = job->header.height;
  const auto work = [job, height](const ArrivingRows::Publish&) {
    const std::uint32_t upperEnd = job->split == 0 ? height : job->split;
    decodeRows(*job, 0, upperEnd);
    if (upperEnd < height && !job->lowerPartTaken.exchange(true))
      decodeRows(*job, upperEnd, height);
    return true;
  };
  const auto help = [job, height] {
    if (job->split != 0 && !job->lowerPartTaken.exchange(true))
      decodeRows(*job, job->split, height);
  };
  arriving.start(static_cast<int>(height), work, help);
}

// Inflating, undoing and converting the rows all happen on the worker, as the
// inflated data comes: rows are undone once the inflater can no longer copy from
// them. Damaged data is found only on the way: the rows from there on are black
// and the picture is reported as not intact.
void startStreamedRows(const std::shared_ptr<RowJob>& job, ArrivingRows& arriving) {
  const std::uint32_t height = job->header.height;
  const auto work = [job, height](const ArrivingRows::Publish& publish) {
    const RowJob& rows = *job;
    const std::size_t stride = rows.rowBytes + 1;
    std::uint32_t done = 0;
    std::uint32_t published = 0;
    bool filtersKnown = true;
    const auto undoUpTo = [&](std::uint32_t end) {
      if (!filtersKnown || end <= done) return;
      filtersKnown = decodeRows(rows, done, end);
      if (!filtersKnown) return;
      done = end;
      if (done - published >= kPublishStep || done == height) {
        publish(static_cast<int>(done));
        published = done;
      }
    };
    const InflateProgress progress = [&](std::size_t produced) {
      if (produced > kInflateWindow)
        undoUpTo(static_cast<std::uint32_t>((produced - kInflateWindow) / stride));
    };
    const bool inflated = inflateZlib(rows.compressed, rows.rows.get(), stride * height,
                                      kStreamStepRows * stride, progress);
    if (inflated) undoUpTo(height);
    if (done == height) return true;
    std::memset(rows.out(done), 0, std::size_t{height - done} * 4 * rows.header.width);
    return false;
  };
  arriving.start(static_cast<int>(height), work, [] {});
}

// `streamed`: the rows may still be arriving when the picture is handed over,
// which lets a large picture's top rows be used before its data is all inflated.
Bitmap decode(const std::uint8_t* file, std::size_t size, ArrivingRows& arriving, bool streamed) {
  Parts parts;
  if (!readParts(file, size, parts)) return Bitmap();
  const Header& h = parts.header;
  const std::size_t rowBytes = std::size_t{h.width} * h.channels;
  // Deflate makes at most 1032 bytes of one: a header promising more than the data
  // can hold is refused before a picture's worth of memory is taken for it, so
  // that a few hostile bytes on the clipboard cannot cost a second and 256 MiB.
  if ((rowBytes + 1) * h.height / kMostInflatedPerByte > parts.dataBytes) return Bitmap();
  const bool parallel = rowBytes * h.height >= kSplitFromBytes && usableProcessors() > 1;
  auto job = std::make_shared<RowJob>();
  job->rows = rowBuffer((rowBytes + 1) * h.height);
  const bool inflateFirst = !(parallel && streamed);
  if (inflateFirst && !inflateWhole(parts, job->rows.get(), (rowBytes + 1) * h.height))
    return Bitmap();
  // Every byte of the picture is written by the rows below.
  Bitmap out(static_cast<int>(h.width), static_cast<int>(h.height), 32, Bitmap::Unfilled{});

  job->header = h;
  job->rowBytes = rowBytes;
  job->lookup = lookupTable(parts);
  job->zeroRow.assign(rowBytes, 0);
  job->pixels = out.row(0);
  if (!inflateFirst) {
    // A copy: the file is the caller's, and may be gone before the worker is done.
    job->compressed = joinedData(parts);
    startStreamedRows(job, arriving);
    return out;
  }
  if (!allFiltersKnown(*job)) return Bitmap();
  if (!parallel) {
    decodeRows(*job, 0, h.height);
    return out;
  }
  job->split = balancedSplit(*job);
  startSplitRows(job, arriving);
  return out;
}

}  // namespace

Bitmap decodePngCapture(const std::uint8_t* file, std::size_t size) {
  ArrivingRows arriving;
  Bitmap picture = decode(file, size, arriving, false);
  arriving.complete();
  return picture;
}

Bitmap decodePngCapture(const std::uint8_t* file, std::size_t size, ArrivingRows& arriving) {
  return decode(file, size, arriving, true);
}

}  // namespace snaprill
