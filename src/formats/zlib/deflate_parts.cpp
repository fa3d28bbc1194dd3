#include "formats/zlib/deflate_parts.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <new>
#include <vector>

#include "base/ordered_parts.h"
#include "base/worker_thread.h"
#include "formats/format_error.h"

namespace snaprill {

namespace {

constexpr std::size_t kWindow = 32768;
constexpr std::size_t kOutputStep = 64 * 1024;

class Deflater {
 public:
  // raw: no zlib header or trailer, for the parts after the first.
  Deflater(int level, bool raw) {
    if (deflateInit2(&stream_, level, Z_DEFLATED, raw ? -15 : 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
      throw std::bad_alloc();
  }
  ~Deflater() { deflateEnd(&stream_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  void setDictionary(const std::vector<std::uint8_t>& bytes) {
    if (deflateSetDictionary(&stream_, bytes.data(), static_cast<uInt>(bytes.size())) != Z_OK)
      failed();
  }

  // Compresses data with the given flush and hands what comes out to `put`.
  void compress(const std::uint8_t* data, std::size_t size, int flush, const DataPiece& put) {
    do {
      // zlib counts in unsigned int; it does not write through next_in.
      const std::size_t now = std::min<std::size_t>(size, UINT_MAX);
      stream_.next_in = const_cast<Bytef*>(data);
      stream_.avail_in = static_cast<uInt>(now);
      const int last = now == size ? flush : Z_NO_FLUSH;
      do {
        stream_.next_out = output_.data();
        stream_.avail_out = static_cast<uInt>(output_.size());
        if (deflate(&stream_, last) == Z_STREAM_ERROR) failed();
        const std::size_t made = output_.size() - stream_.avail_out;
        if (made > 0) put(output_.data(), made);
      } while (stream_.avail_out == 0);
      data += now;
      size -= now;
    } while (size > 0);
  }

 private:
  [[noreturn]] static void failed() {
    throw FormatError(FormatErrorKind::EncoderFailed, "deflate failed");
  }

  z_stream stream_{};
  std::vector<std::uint8_t> output_ = std::vector<std::uint8_t>(kOutputStep);
};

struct Part {
  std::vector<std::uint8_t> bytes;
  uLong adler = 0;
  std::size_t dataSize = 0;
};

// Measured on 2 processors with screenshot-like pictures (bench/png_bench.cpp). A
// part costs its start (a dictionary to take in, a block to begin): parts of 1 MiB
// cost 3 % more processor time than one stream at 4K, of 256 KiB 8 %; but a picture
// cut into too few parts leaves a processor idle at the end. So about four parts a
// processor, of 256 KiB to 1 MiB; from two parts on (a 640x480 picture at level 6:
// 4.4 ms in one part, 2.8 ms in four) the split pays. Stored blocks (level 0) only
// copy: parts would double that work.
constexpr std::size_t kSmallestPart = std::size_t{256} << 10;
constexpr std::size_t kLargestPart = std::size_t{1} << 20;
constexpr std::size_t kPartsPerProcessor = 4;

}  // namespace

DeflateSplit deflateSplitFor(std::size_t size, int level) {
  const int processors = usableProcessors();
  if (size < 2 * kSmallestPart || level == 0 || processors < 2)
    return DeflateSplit{std::max<std::size_t>(size, 1), 1};
  const std::size_t part = std::clamp(size / (kPartsPerProcessor * std::size_t(processors)),
                                      kSmallestPart, kLargestPart);
  return DeflateSplit{part, processors};
}

void deflateInParts(std::size_t size, const DataMaker& make, int level, const DeflateSplit& split,
                    ByteSink& out) {
  level = std::clamp(level, 0, 9);
  const std::size_t partBytes = std::max<std::size_t>(split.partBytes, 1);
  const std::size_t parts = std::max<std::size_t>(1, (size + partBytes - 1) / partBytes);
  if (parts == 1) {
    // Written as it comes: the compressed picture is never held whole.
    Deflater deflater(level, false);
    const DataPiece put = [&out](const std::uint8_t* data, std::size_t n) { out.write(data, n); };
    make(0, size, [&](const std::uint8_t* data, std::size_t n) {
      deflater.compress(data, n, Z_NO_FLUSH, put);
    });
    deflater.compress(nullptr, 0, Z_FINISH, put);
    return;
  }
  const std::function<Part(std::size_t)> makePart = [&](std::size_t i) {
    const std::size_t from = i * partBytes;
    const std::size_t to = std::min(size, from + partBytes);
    Deflater deflater(level, i > 0);
    if (i > 0) {
      std::vector<std::uint8_t> dictionary;
      dictionary.reserve(kWindow);
      make(from - std::min(from, kWindow), from, [&](const std::uint8_t* data, std::size_t n) {
        dictionary.insert(dictionary.end(), data, data + n);
      });
      deflater.setDictionary(dictionary);
    }
    Part part;
    part.adler = adler32(0, nullptr, 0);
    part.dataSize = to - from;
    const DataPiece put = [&part](const std::uint8_t* data, std::size_t n) {
      part.bytes.insert(part.bytes.end(), data, data + n);
    };
    make(from, to, [&](const std::uint8_t* data, std::size_t n) {
      part.adler = adler32_z(part.adler, data, n);
      deflater.compress(data, n, Z_NO_FLUSH, put);
    });
    // A sync flush ends the part with an empty stored block, on a byte boundary, so
    // that the next part's blocks can follow it directly.
    deflater.compress(nullptr, 0, i + 1 == parts ? Z_FINISH : Z_SYNC_FLUSH, put);
    return part;
  };
  uLong adler = adler32(0, nullptr, 0);
  makeInOrder<Part>(parts, split.threads, makePart, [&](std::size_t, Part& part) {
    out.write(part.bytes);
    adler = adler32_combine(adler, part.adler, static_cast<z_off_t>(part.dataSize));
  });
  out.put32be(static_cast<std::uint32_t>(adler));
}

}  // namespace snaprill
