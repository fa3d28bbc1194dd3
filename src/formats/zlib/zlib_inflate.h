// Inflating one zlib stream into a buffer of known size, with reports of how much
// of the output is final while it is being made: a PNG reader can undo the filters
// of the top rows and hand them on while the rest of the picture is still being
// inflated. Nearly as fast as libdeflate on screenshot data, which zlib's inflate is not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace snaprill {

// Called while inflating, on the inflating thread, with the number of bytes of the output
// that are final. The bytes before produced - kInflateWindow are never read again by the
// inflater: the callee may rewrite them (the PNG reader undoes its row filters in place).
using InflateProgress = std::function<void(std::size_t produced)>;
inline constexpr std::size_t kInflateWindow = 32768;

// Inflates one zlib stream (2-byte header: deflate, window of at most 32 KiB, valid check
// bits, no preset dictionary; deflate blocks; Adler-32 trailer checked) into
// output[0, outputSize). True only when the stream is valid, ends with its final block, its
// Adler-32 matches, and it inflates to exactly outputSize bytes. Bytes after the Adler-32 are
// ignored (PNG readers tolerate them). `progress` (may be empty) is called each time at least
// `progressStep` (taken as 1 when 0) more bytes are final since the last call, with growing
// counts; it is not called for the final size: the caller learns of the end from the return
// value. Never reads outside input, never writes outside output, whatever the input; on
// failure the output holds unspecified bytes.
bool inflateZlib(std::span<const std::uint8_t> input, std::uint8_t* output, std::size_t outputSize,
                 std::size_t progressStep, const InflateProgress& progress);

}  // namespace snaprill
