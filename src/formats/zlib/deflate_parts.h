// One zlib stream (RFC 1950) deflated in parts on several processors, as pigz makes
// its streams: part i compresses bytes [i * partBytes, (i + 1) * partBytes) of the
// data with the 32 KiB before them as its preset dictionary, so that it finds the
// same matches as one deflate over the whole, and ends on a byte boundary:
//
//   part 0       zlib header (from zlib), deflate blocks, empty stored block (sync flush)
//   part 1..n-2  raw deflate blocks, empty stored block
//   part n-1     raw deflate blocks, the last one final
//   trailer      Adler-32 of all the data, combined from the parts' own, big-endian
//
// The result is one ordinary zlib stream; every inflater reads it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "base/byte_sink.h"

namespace snaprill {

// Hands the data's bytes [from, to) to `take`, in one or more pieces, in order. Called
// on several threads at once: it may only read what it shares.
using DataPiece = std::function<void(const std::uint8_t* data, std::size_t size)>;
using DataMaker = std::function<void(std::size_t from, std::size_t to, const DataPiece& take)>;

struct DeflateSplit {
  std::size_t partBytes = 0;  // bytes of data per part; the last may be shorter
  int threads = 1;            // at most; the caller's thread is one of them
};

// The split that pays, as measured (bench/png_bench.cpp): parts of a fixed size on
// every processor this process may use; data too small to gain from a second
// thread stays in one part.
DeflateSplit deflateSplitFor(std::size_t size, int level);

// Deflates `size` bytes made by `make` at level 0..9 (window bits 15, memory level 8,
// default strategy) into one zlib stream written to out, in parts of split.partBytes
// on up to split.threads threads; with one part it is exactly the stream one deflate
// call makes. Holds a few compressed parts at a time. Throws std::bad_alloc when zlib
// cannot get memory, FormatError (EncoderFailed) when deflate fails, and what make or
// the sink throws.
void deflateInParts(std::size_t size, const DataMaker& make, int level, const DeflateSplit& split,
                    ByteSink& out);

}  // namespace snaprill
