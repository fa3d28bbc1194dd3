// The JPEG writer's two ways (jpeg.cpp): one compression of a range of rows, and
// strips of the picture compressed side by side and joined (jpeg_strips.cpp).
#pragma once

#include "base/byte_sink.h"
#include "formats/jpeg/jpeg.h"
#include "image/arriving_rows.h"
#include "image/bitmap.h"

namespace snaprill::jpeg_detail {

// Rows [first, first + count) of a picture, and the restart interval in rows of
// 16-pixel blocks (0: none).
struct RowRange {
  int first = 0;
  int count = 0;
  int restartMcuRows = 0;
};

// Writes the rows as one whole baseline JPEG file of their height. Throws as
// writeJpeg does.
void compressRows(const Bitmap& picture, int quality, const RowRange& rows,
                  const ArrivingRows* arriving, ByteSink& out);

// Writes the picture in strips.mcuRows-row strips joined by restart markers.
void writeStrips(const Bitmap& picture, int quality, const JpegStrips& strips, ByteSink& out);

}  // namespace snaprill::jpeg_detail
