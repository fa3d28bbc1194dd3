// What another program's clipboard offer means for the capture cycle, apart from
// the transfer: which of the offered targets to read the picture from (if any), and
// the picture its bytes make. Plain functions, so that unit tests and the fuzzer
// reach every offer a hostile or careless owner can make.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "backends/x11/x11_clipboard.h"
#include "image/arriving_rows.h"
#include "image/bitmap.h"
#include "platform/services.h"

namespace snaprill {

// Whether the offer carries plain text (text/plain in any charset, UTF8_STRING,
// STRING, TEXT, COMPOUND_TEXT).
bool offersPlainText(const QStringList& targets);

// Whether a list of offered MIME types holds a picture Qt can decode: any image type
// its image readers know, or Qt's own image type. Vector types (SVG) and text are
// not pictures here.
bool offersRasterImage(const QStringList& targets);

// The target to read the offered picture from: image/png when offered (our own
// fast reader takes it), else the first picture type the owner lists that Qt's
// readers know (application/x-qt-image, Qt's name for an X pixmap, last). Empty
// when nothing offered is a picture; when the owner marks the offer as a secret
// (password managers and KDE's clipboard list x-kde-passwordManagerHint), whatever
// else it carries; when it is a copy from our History window (kNotACaptureType); or when the offer
// carries plain text too and takeWithText is false: a picture with text is how office programs copy
// cells and rich text, and the user's copy must stay. An empty target means the offer is neither
// taken nor emptied away.
QString pictureTarget(const QStringList& targets, bool takeWithText);

// What our own History window adds to a picture it copies: a copy of a capture is
// not a new capture, in this program or in another Snaprill. Any watcher passes over
// an offer that carries it.
inline const QString kNotACaptureType = QStringLiteral("application/x-snaprill-not-a-capture");

// Whether the offer is a drawing (SVG) that pictureTarget leaves alone although
// it would take a picture offered the same way: no picture beside it, nothing
// secret, and no text unless takeWithText. Such offers are told to the user, who
// may wonder why nothing came of the copy.
bool offersDrawingOnly(const QStringList& targets, bool takeWithText);

// The picture the bytes of `target` make: 32 bpp, B G R X, transparent parts drawn
// over white; or why they make none. With rows, a large PNG may be handed over
// while its rows still arrive (see decodePngCapture); without, it comes whole.
TakenPicture pictureFromOffer(const QString& target, const QByteArray& bytes, ArrivingRows* rows);

}  // namespace snaprill
