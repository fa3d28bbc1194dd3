// Pictures of the screen taken by the program itself: from the X server, or through
// the compositor in a Wayland session, where the system's Print Screen puts none
// on the clipboard for it.
//
// A picture may take its time: a desktop may ask the user first, or answer only
// once its portal has started. So a grab answers later, through a callback, and
// never waits in a loop of its own for the answer: the program's window goes on
// meanwhile, and a request that came from another program (snaprill --capture)
// can be answered whenever the picture is there or refused.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "image/bitmap.h"
#include "platform/clipboard.h"

namespace snaprill {

struct GrabRequest {
  bool activeWindow = false;  // the focused window, as the desktop draws it
  bool withCursor = false;    // the mouse cursor in the picture, where the way can
};

// A grab's outcome is what taking a picture gives (a 32 bpp bitmap), or, with none,
// why not: one of the Screen* reasons of LostReason.
using GrabDone = std::function<void(TakenPicture)>;

class ScreenGrabber {
 public:
  virtual ~ScreenGrabber() = default;
  // Takes the picture; `done` is called exactly once, perhaps before grab returns,
  // at the latest after longestAnswer().
  virtual void grab(const GrabRequest& request, GrabDone done) = 0;
  // Whether a screen grab with the cursor shows the cursor; false until it is known.
  virtual bool showsCursor() const = 0;
  // The longest a grab may take before it is answered.
  virtual std::chrono::milliseconds longestAnswer() const = 0;
};

// One way of taking pictures among several (a compositor's protocol, a desktop's
// service, a portal): `take` answers once as ScreenGrabber::grab does, with
// LostReason::ScreenNotOffered where the session has no such way.
struct GrabWay {
  std::string name;
  std::function<void(const GrabRequest&, GrabDone)> take;
};

// Asks the ways in their order, each only once the one before gave no picture, and
// answers with the first picture. Where none gives one, the reason is the last
// reason other than "not offered" (the way that came nearest: a refusal or a time
// limit of the portal, asked last, rather than a refusal of a service before it),
// or "not offered" where no way was. `answered(name)` is told the way that gave
// the picture.
void askInOrder(const std::vector<GrabWay>& ways, const GrabRequest& request, GrabDone done,
                std::function<void(const std::string&)> answered = {});

}  // namespace snaprill
