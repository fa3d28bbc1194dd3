// Writing a capture in the chosen output type: the still writers here, GIF and AVI
// through the animation. Every still writer takes its name just before writing and
// writes through a temporary file, so a failed write leaves nothing behind while
// its number stays used up.
#pragma once

#include "capture/animation.h"
#include "capture/output_names.h"
#include "formats/emf/reference_screen.h"
#include "image/arriving_rows.h"
#include "image/bitmap.h"
#include "options/options.h"

namespace snaprill {

class OutputWriter {
 public:
  OutputWriter(const Options& options, OutputNames& names, Animation& animation,
               const ReferenceScreen& screen)
      : options_(options), names_(names), animation_(animation), screen_(screen) {}

  // Writes capture, which the type's depth option may convert first. `arriving`
  // holds back rows still being decoded, which only the JPEG writer takes as they
  // come. Throws when a file cannot be written (FileError for the file), and
  // DamagedPictureError when rows turn out damaged after the top ones were written
  // (the counter is then back where it was).
  WriteOutcome write(Bitmap& capture, const ArrivingRows& arriving);

 private:
  const Options& options_;
  OutputNames& names_;
  Animation& animation_;
  const ReferenceScreen& screen_;
};

}  // namespace snaprill
