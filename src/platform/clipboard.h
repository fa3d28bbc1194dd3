// The system clipboard as the capture sees it: a source of pictures (other
// programs' offers, and our own), followed by change notifications and never asked
// on a timer (offer_tracker.h holds the rules every watcher shares).
#pragma once

#include <cstddef>

#include "image/bitmap.h"
#include "platform/capture_sink.h"
#include "platform/capture_source.h"
#include "platform/lost_reason.h"

namespace snaprill {

// Most bytes a picture offer may take, far beyond any screenshot; a transfer that
// grows past it is given up while it arrives.
inline constexpr std::ptrdiff_t kMaxOfferBytes = std::ptrdiff_t{256} << 20;

// What reading an offered picture gives: the picture, or why there is none.
struct TakenPicture {
  Bitmap picture;  // 32 bpp; empty when none could be had
  LostReason lost = LostReason::Damaged;
};

class Clipboard {
 public:
  virtual ~Clipboard() = default;

  // The offered pictures as the capture cycle takes them.
  virtual PictureSource& pictures() = 0;
  // Whether an offer that carries plain text too counts as a picture. Office programs
  // offer copied cells or rich text together with a picture of it: by default such
  // an offer is the user's text and is left alone.
  virtual void setTakePicturesWithText(bool take) { (void)take; }
  // Offers a picture of our own, as the system does on Print Screen: other programs
  // may paste it, and the cycle is handed it back without any conversion, as coming
  // from `source`.
  virtual void offer(Bitmap picture, const CaptureSource& source) = 0;
};

}  // namespace snaprill
