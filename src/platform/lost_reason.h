// Why a capture came to nothing: one list from the readers of other programs' offers
// and the program's own pictures of the screen to the status line (and the
// command that asked), each with the language text that says it.
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
  // The program's own picture of the screen could not be had (screen_grabber.h):
  ScreenNotOffered,  // the desktop offers no way to take one
  ScreenRefused,     // the desktop refused, or the user it asked
  ScreenCancelled,   // cancelled (the user closed the desktop's question, or the
                     // desktop could not take it: KWin without drawing)
  ScreenTimedOut,    // no answer within the time allowed
  ScreenUnreadable,  // what came makes no picture
  ScreenBusy,        // the picture before was still being taken
};

// The key in the language file's [Main] section that says why, for the notice.
const char* lostReasonKey(LostReason why);

}  // namespace snaprill
