// An offer of nothing on the CLIPBOARD selection: how the clipboard is emptied of
// another program's picture. Leaving the selection without an owner is not enough
// where the X server is Xwayland: Mutter then keeps offering the picture on the
// Wayland side, and its clipboard manager offers it again once the program that
// copied it quits. Owning the selection with a list of no targets empties both
// sides (wl-paste then finds no selection), and on plain X11 a clipboard manager
// that restores a clipboard left without an owner finds nothing to restore.
//
// The offer is answered on a thread and connection of its own: Qt's clipboard waits
// for an answer without running the event loop (a paste into one of our own text
// fields), and other programs need not wait while a capture is being written.
#pragma once

#include <atomic>
#include <mutex>
#include <optional>

#include "base/worker_thread.h"

typedef struct _XDisplay Display;
union _XEvent;

namespace snaprill {

class EmptyClipboardOffer {
 public:
  // Connects to the display named `displayName`; inactive when that fails.
  explicit EmptyClipboardOffer(const char* displayName);
  ~EmptyClipboardOffer();
  EmptyClipboardOffer(const EmptyClipboardOffer&) = delete;
  EmptyClipboardOffer& operator=(const EmptyClipboardOffer&) = delete;

  bool active() const { return display_ != nullptr; }
  // The window the offer is made from: an owner change to it is our own emptying.
  unsigned long window() const { return window_; }
  // Takes CLIPBOARD from `owner`, as of `time`: a server time at which its offer
  // was the clipboard's. An offer made since by another window stays: the server
  // ignores a change as of a time before the last one, and the owner is asked for
  // first, as the server's times are in milliseconds and the next screenshot may
  // be offered within the same one. Returns at once.
  void takeFrom(unsigned long owner, unsigned long time);

 private:
  void serve();
  void answer(const _XEvent& request);

  Display* display_ = nullptr;
  unsigned long window_ = 0;
  unsigned long clipboard_ = 0, targets_ = 0, timestamp_ = 0;
  int wake_ = -1;  // an eventfd that wakes the thread
  struct Taking {
    unsigned long owner = 0;
    unsigned long time = 0;
  };
  std::mutex takingLock_;
  std::optional<Taking> taking_;  // what the thread is to take CLIPBOARD from next
  std::atomic<bool> stopping_{false};
  unsigned long ownedSince_ = 0;  // the thread's: the time it last took CLIPBOARD at
  WorkerThread thread_;
};

}  // namespace snaprill
