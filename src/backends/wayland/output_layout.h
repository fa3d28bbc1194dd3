// Several outputs' pictures put together as the compositor lays the outputs out.
// The layout is in logical units (what a window's rectangle is given in); an
// output's picture holds its physical pixels, twice as many each way on an output
// scaled by 2. The whole picture takes the finest scale among its outputs, so that
// a HiDPI screen keeps its full resolution; an output of a coarser scale is
// enlarged by repeating pixels.
#pragma once

#include <vector>

#include "image/bitmap.h"

namespace snaprill {

struct OutputPicture {
  Rect logical;    // where the output lies in the layout
  Bitmap picture;  // upright, 32 bpp
};

// The part `area` of the layout, as one 32 bpp picture; what no output covers is
// black. Empty when the area meets no output.
Bitmap composeOutputs(std::vector<OutputPicture> outputs, const Rect& area);

// The rectangle that holds every output.
Rect layoutBounds(const std::vector<Rect>& outputs);

// Whether two rectangles share any pixel.
bool overlaps(const Rect& a, const Rect& b);

}  // namespace snaprill
