// The text reader's side of the reading channel (reading_channel.h): what
// snaprill-text-reader runs, one picture after another, until the history has no
// more to read.
#pragma once

#include "history/text_reader.h"

namespace snaprill {

// A picture's share of processor time. Far above what any screenshot takes (a 4K
// screen full of text: a few seconds); a picture that keeps the engine busy longer
// ends the reader, as a crash does, and the history passes over it in the end.
inline constexpr int kReadingSecondsPerPicture = 60;

// Says whether the reader can read, then answers each picture's path that arrives
// on `in` on `out` until the history closes its end (or goes). Returns the exit
// status: 0.
int serveReadRequests(TextReader& reader, int in, int out,
                      int secondsPerPicture = kReadingSecondsPerPicture);

}  // namespace snaprill
