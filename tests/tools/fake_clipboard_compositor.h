// A compositor of the tests' own, in a thread of the test, with a seat and
// ext-data-control: the clipboard protocol of newer compositors, which none of
// Debian 12's has. Its clipboard starts with another program's offer. What a
// client sets as the clipboard is offered back to it, as compositors do, and
// pasted at once as image/png; setting none empties the clipboard.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "tools/fake_wayland_display.h"

namespace snaprill {

struct FakeClipboardSettings {
  std::vector<std::string> types;  // the other program's offer
  std::string bytes;               // what it gives for any of them
  // A wlr-data-control manager too, which ends the connection of a client that
  // takes it instead.
  bool wlrToo = false;
};

class FakeClipboardCompositor {
 public:
  explicit FakeClipboardCompositor(FakeClipboardSettings settings);

  const FakeClipboardSettings& settings() const { return settings_; }
  // The selections clients set, oldest first: the types their offers listed, none
  // when they emptied the clipboard.
  std::vector<std::vector<std::string>> selections() const;

  // Called from the requests' handlers, in the compositor's thread.
  void selectionSet(std::vector<std::string> types);

 private:
  FakeClipboardSettings settings_;
  mutable std::mutex mutex_;
  std::vector<std::vector<std::string>> selections_;
  // Last: its clients' objects, which point to the members above, go first.
  FakeWaylandDisplay wayland_;
};

}  // namespace snaprill
