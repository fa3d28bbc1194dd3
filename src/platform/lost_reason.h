// Why a capture came to nothing: one list from the readers of other programs' offers
// to the status line, each with the language text that says it.
#pragma once

namespace snaprill {

enum class LostReason {
  NotSent,       // the offering program did not send the picture in time
  OwnerQuit,     // it went away before it had sent the picture
  Refused,       // it would not send the picture
  TooLarge,      // the offered picture is larger than a picture may be here
  Replaced,      // another offer took the picture's place before it was read
  Damaged,       // the offered picture's data does not make a picture
  Unreadable,    // the picture could not be had for another reason
  NoNumberLeft,  // every file number up to 99999 is taken
  NotCreated,    // the file could not be created or written to its end
  NotWritten,    // writing the file failed for another reason
  Drawing,       // a drawing (SVG) with no picture beside it: left on the clipboard
};

// The key in the language file's [Main] section that says why, for the notice.
const char* lostReasonKey(LostReason why);

}  // namespace snaprill
