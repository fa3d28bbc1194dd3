// The clipboard's whole offer path on arbitrary input: the targets another program
// offers, and the bytes it sends for the one we choose, become a capture or a
// refusal; never a crash, and never a picture from an offer we should leave alone.
//
// Input: the offered targets, one per line, a NUL byte, then the bytes sent. The
// first byte's lowest bit says whether pictures offered with text are taken.
// Without a NUL, everything is bytes offered as image/png.
#include <QByteArray>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "backends/qt/clipboard_offer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  const void* nul = std::memchr(data, 0, size);
  QStringList targets = {"image/png"};
  QByteArray bytes(text, static_cast<qsizetype>(size));
  bool takeWithText = false;
  if (nul != nullptr) {
    const auto split = static_cast<qsizetype>(static_cast<const char*>(nul) - text);
    targets = QString::fromLatin1(text, split).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    bytes = QByteArray(text + split + 1, static_cast<qsizetype>(size) - split - 1);
    takeWithText = size > 0 && (data[0] & 1) != 0;
  }
  const QString target = snaprill::pictureTarget(targets, takeWithText);
  if (!target.isEmpty() && !targets.contains(target)) std::abort();
  if (!target.isEmpty() && !takeWithText && snaprill::offersPlainText(targets)) std::abort();
  if (target.isEmpty() || target == QLatin1String("application/x-qt-image")) return 0;

  const snaprill::TakenPicture whole = snaprill::pictureFromOffer(target, bytes, nullptr);
  const snaprill::Bitmap& picture = whole.picture;
  if (!picture.empty() &&
      (picture.bitsPerPixel() != 32 || picture.width() <= 0 || picture.height() <= 0))
    std::abort();
  // Taken as its rows arrive, the same picture, or one reported as not intact.
  snaprill::ArrivingRows arriving;
  const snaprill::TakenPicture streamed = snaprill::pictureFromOffer(target, bytes, &arriving);
  arriving.complete();
  if (streamed.picture.empty() != picture.empty() && arriving.intact()) std::abort();
  if (!picture.empty() && arriving.intact() &&
      std::memcmp(streamed.picture.row(0), picture.row(0),
                  picture.stride() * static_cast<std::size_t>(picture.height())) != 0)
    std::abort();
  return 0;
}
