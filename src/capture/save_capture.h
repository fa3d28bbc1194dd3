// Saving one capture: the adjustments the options ask for, then the file of the
// chosen type under the next free number (or a frame of the animation being
// gathered), then the hand-off to the external program. A function of the picture,
// the options and texts in force, the state one capture leaves for the next, and
// the services: the capture cycle calls it for every picture that arrives,
// snaprill-batch for every picture file.
#pragma once

#include <cstddef>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "capture/animation.h"
#include "capture/output_names.h"
#include "capture/overlay_picture.h"
#include "image/packed_bitmap.h"
#include "options/options.h"
#include "options/texts.h"
#include "platform/capture.h"
#include "platform/lost_reason.h"
#include "platform/platform.h"

namespace snaprill {

// What one capture leaves for the next: the counter of file numbers, the frames of
// an animation being gathered, and the overlay picture drawn onto every capture.
struct SaveState {
  explicit SaveState(const Options& options) : names(options) {}
  OutputNames names;
  Animation animation;
  OverlayPicture overlay;
};

struct SaveOutcome {
  std::string path;                // the file written; empty when none was
  std::optional<LostReason> lost;  // why the capture came to nothing, when it did
  // The AVI file that this capture completed could not be written; aviFailure is
  // the text of the AVI writer's box, which says why.
  bool aviNotWritten = false;
  std::string aviFailure;
  std::string failure;     // NotCreated, NotWritten: the error as it says it
  std::string failedFile;  // NotCreated: the file that could not be made
  // NotCreated: the system's reason when a full or read-only disk is not the reason
  // (a folder that may not be written, a file where a folder should be); else empty.
  std::string failedBecause;
  // A crop or resize too large to make, left out (the capture kept its size); 0 x 0
  // when there was none.
  int refusedWidth = 0;
  int refusedHeight = 0;
  // The external program that could not be started on the file written (not found,
  // not executable); the capture is saved all the same. Empty when it started, or
  // was not to be started.
  std::string programNotStarted;
  // The output folder the settings give, missing since they gave it: this capture
  // is the first to go to the default output folder instead. Empty otherwise.
  std::string absentOutputFolder;

  // Whether the capture was kept: written, or a frame of the animation being
  // gathered.
  bool kept() const { return !lost && !aviNotWritten; }
};

// Saves the capture's picture and hands the file written to the external program
// when the options say so: the four steps below in a row, on the calling thread.
// Never throws: every failure is in the outcome. A capture not kept uses up no
// number: the counter is back where it was, except with no number left
// (LostReason::NoNumberLeft), when it stays at 99999. The capture's lower rows may
// still be arriving (Capture::rows): only a JPEG capture without adjustments is
// written while they do, anything else waits for the whole picture; rows found
// damaged leave no file (LostReason::Damaged). The capture's settle is not called
// here: that is its caller's.
SaveOutcome saveCapture(Capture capture, const Options& options, const Texts& texts,
                        SaveState& state, Platform& services);

// A capture on its way to its file, in four steps: taken and prepared on the
// user-interface thread, written on any thread, concluded on the user-interface
// thread again. The capture cycle runs the steps of one capture after those of the
// capture before, the third on the background thread, so that the window never
// waits on an encoder and files take their numbers in the order of the captures.
struct PendingCapture {
  // The options the capture was taken with, which the later steps keep using
  // whatever the options are by then.
  std::shared_ptr<const Options> options;
  // Until its write is prepared. The rows go first: they wait for the decoder that
  // writes into the picture.
  Bitmap picture;
  std::unique_ptr<ArrivingRows> rows;
  // The picture in its place while it waits behind another capture's write
  // (packWhileWaiting); unpacked when its write is prepared.
  std::optional<PackedBitmap> packed;
  // A crop or resize too large to make, left out; 0 x 0 when there was none.
  int refusedWidth = 0;
  int refusedHeight = 0;
  // Not a capture: the animation frames still waiting, written as one file.
  bool waitingFrames = false;
  // Prepared: the slow part still to run, and the counter before and after its
  // file's name was taken.
  WriteWork work;
  int counterBefore = 0;
  int counterTaken = 0;
  // What was written, or why nothing was (from any step).
  WriteOutcome written;
  std::exception_ptr failure;
};

// 1. The capture taken: its rows completed unless it may be written while they
// arrive, the adjustments applied with `options`, which the capture keeps.
PendingCapture takeCapture(Capture capture, const Options& options, SaveState& state,
                           Platform& services);
// While it waits for the captures taken before it: its picture packed where that
// takes at most half its memory; whether it is. A picture whose rows still arrive,
// and one that could not be adjusted, stay as they are.
bool packWhileWaiting(PendingCapture& capture);
// The memory the capture's picture holds (packed or not).
std::size_t pictureBytes(const PendingCapture& capture);
// Or, in its place, the animation frames still waiting (Animation::pendingFrameIndex).
PendingCapture waitingAnimationFrames(const Options& options);
// 2. At its turn, once the capture before is concluded: its file's name taken (the
// counter advanced), or its place in the animation; the work made.
void prepareWrite(PendingCapture& capture, SaveState& state, Platform& services);
// 3. The work run, on any thread; the picture goes as soon as it is written. Until
// it has returned, nothing may touch the capture nor the state's animation.
void runWrite(PendingCapture& capture) noexcept;
// 4. The outcome. Nothing written gives its number back, unless the counter moved
// since (a reset); a file written goes to the external program.
SaveOutcome concludeWrite(PendingCapture& capture, const Texts& texts, SaveState& state,
                          Platform& services);

// The message of a file that could not be created: the disk-full text with the
// folder it was to go into, then the system's reason when there is one beyond a full
// disk (FileError::reasonBeyondDiskFull).
std::string diskFullMessage(const Texts& texts, const std::string& file,
                            const std::string& reason = {});
// The notice of captures going to the default output folder (the folder of the
// file written) while the output folder is missing.
std::string absentFolderMessage(const Texts& texts, const SaveOutcome& outcome);
// The message of a crop or resize too large to make.
std::string refusedSizeMessage(const Texts& texts, const SaveOutcome& outcome);
// The notice of an external program that could not be started.
std::string programNotStartedMessage(const Texts& texts, const SaveOutcome& outcome);

// Removes the temporaries that writers killed on the way left in the output and
// settings folders; a writer still at work (another instance) keeps its own.
void removeLeftoverWrites(const std::string& outputDir, const std::string& configDir);

// Whether a picture saved with these options may arrive row by row: a JPEG capture
// without adjustments. On a quiet two-processor machine a 1080p PNG offer becomes a
// JPEG in 14 ms that way against 19 ms decoded whole first.
bool savesWhileRowsArrive(const Options& options);

}  // namespace snaprill
