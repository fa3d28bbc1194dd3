// A capture as it reaches the capture cycle: the picture, whose lower rows may still
// be arriving, and where it came from. Every way in makes one: the clipboard
// watchers, the program's own pictures of the screen (its Print Screen, hotkeys,
// automation and snaprill --capture), and snaprill-batch's picture files.
#pragma once

#include <functional>
#include <memory>

#include "image/arriving_rows.h"
#include "image/bitmap.h"
#include "platform/capture_source.h"
#include "platform/lost_reason.h"

namespace snaprill {

struct Capture {
  // 32 bits per pixel, as a screen bitmap comes; empty when none could be had.
  Bitmap picture;
  // While a decoder still works on the lower rows: which are there, and whether they
  // all make the picture (only the JPEG writer starts on a picture then). Null when
  // the picture is whole. Declared after the picture, so that it goes first and
  // waits for the worker that writes into it.
  std::unique_ptr<ArrivingRows> rows{};
  CaptureSource source{};
  // Why there is no picture, when there is none.
  LostReason whyNone = LostReason::Damaged;
  // Told once, as soon as the capture is settled and before anyone hears how it
  // went: true when its picture may leave its source (it was saved, or dropped with
  // no number left), false when it stays there (not saved). The clipboard empties
  // its offer, or leaves it for the user to paste elsewhere. Empty for a picture
  // that was on no clipboard.
  std::function<void(bool gone)> settle{};
};

}  // namespace snaprill
