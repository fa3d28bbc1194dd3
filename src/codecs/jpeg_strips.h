// A JPEG encode split into horizontal strips that threads compress at the same time,
// joined into the very file one encode of the whole picture writes.
//
// With a restart interval of one MCU row (DRI), a baseline file is
//   SOI APP0 DQT SOF0(lines, columns) DHT DRI SOS
//     row 0 RST0 row 1 RST1 ... RST7 row 8 RST0 ... row n-1
//   EOI
// where every MCU row starts with reset DC predictions and ends padded with 1-bits
// to a whole byte, before its RSTm as before EOI (ITU T.81 F.1.2.3, B.2.1; libjpeg
// pads the end of the scan as it pads before a marker). A strip encoded as a file
// of its own therefore holds exactly the bytes of its MCU rows, and when it starts
// at a multiple of 8 MCU rows its own RSTm carry the numbers of the whole picture.
// Joining: the first strip's headers with the whole picture's number of lines, the
// scan data of each strip, between two strips the RSTm they lack, EOI.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/bitmap.h"
#include "platform/byte_sink.h"

namespace snaprill {

// Heights in rows of at most maxStrips strips covering height rows: each but the last
// a multiple of 8 MCU rows (of mcuHeight picture rows), as even as that allows,
// none empty. One strip when the picture has fewer than two such blocks.
std::vector<int> PlanJpegStrips(int height, int mcuHeight, int maxStrips);

// Writes strip files, top strip first, to out as one file of the given number of
// lines. Throws JpegError on a strip without the layout libjpeg writes, and what the
// sink throws.
class JpegStripJoiner {
 public:
  JpegStripJoiner(ByteSink& out, int lines) : out_(out), lines_(lines) {}
  // Appends the next strip, a complete JPEG file mcuRows MCU rows tall.
  void add(const std::vector<std::uint8_t>& file, int mcuRows);
  // Ends the file (EOI).
  void finish();

 private:
  ByteSink& out_;
  int lines_;
  int mcuRowsSoFar_ = 0;
};

// WriteJpeg with the picture split into at most maxStrips strips (PlanJpegStrips),
// compressed by the caller's thread and up to threads - 1 others, each taking the
// next strip when done with one; 1 strip compresses the whole picture on the
// caller's thread. The file is the same for every maxStrips and threads.
void WriteJpegInStrips(const Bitmap& picture, int quality, ByteSink& out, int maxStrips,
                       int threads);

}  // namespace snaprill
