// Print Screen as the program answers it with its own picture of the screen: the
// key sequences the hotkeys and the automation send, and the user's own Print
// Screen where the program answers it, ask for the whole screen (Alt: the active
// window) and hand it to the capture cycle, once the desktop gave it, with the key
// that asked for it. A picture the desktop would not give is reported as a lost
// capture, with its reason.
//
// While "Print Screen copies the screen" is on, the picture goes the way the
// system's Print Screen puts one, onto the clipboard, where other programs can
// paste it, and the cycle takes it from there, once; on a clipboard that serves no
// one else (GNOME's, for a program in the background) it goes straight to the cycle
// all the same. On X11 the system's own keys are sent then, as on the design's
// platform: the program's stand-in (and a screenshot tool of the desktop) answers
// them there. With the option off, nothing touches the clipboard or the keys.
#pragma once

#include <optional>

#include "options/options.h"
#include "platform/own_pictures.h"
#include "platform/screen_grabber.h"
#include "platform/services.h"

namespace snaprill {

// The picture Print Screen asks for (the active window with Alt held): the cursor
// is drawn by the compositor where it can be, as the cursor adjustment knows
// nothing of a Wayland pointer.
GrabRequest nativeRequest(const Options& options, bool activeWindow);

class NativePrintScreen : public KeyInjector {
 public:
  struct Ways {
    ScreenGrabber& screen;
    OwnPictures& pictures;
    // The clipboard, where it serves what we offer to other programs; else nothing.
    Clipboard* servingClipboard = nullptr;
    // The system's keys, where they reach a Print Screen that answers them (X11).
    KeyInjector* systemKeys = nullptr;
  };
  // Everything given outlives this.
  NativePrintScreen(const Options& options, const Clock& clock, Ways ways);
  NativePrintScreen(const NativePrintScreen&) = delete;
  NativePrintScreen& operator=(const NativePrintScreen&) = delete;

  // The hotkeys' sequences: one picture asked for per Print Screen press, the
  // screen key's or (Alt held) the window key's; other keys are left out.
  void send(std::span<const KeyStroke> strokes) override;
  // The same for the automation, whose pictures say they are its own.
  KeyInjector& automation() { return automation_; }
  // The user's Print Screen (Alt+Print Screen), or one we sent the system, answered.
  void answerPress(bool activeWindow);
  // A picture taken on request (a --capture): on the same way to the cycle; none,
  // with the reason, as a lost capture.
  void handOn(TakenPicture taken, const CaptureSource& source);

 private:
  class Automation : public KeyInjector {
   public:
    explicit Automation(NativePrintScreen& printScreen) : printScreen_(printScreen) {}
    void send(std::span<const KeyStroke> strokes) override {
      printScreen_.sendFor(strokes, CaptureOrigin::Automation);
    }

   private:
    NativePrintScreen& printScreen_;
  };

  void sendFor(std::span<const KeyStroke> strokes, std::optional<CaptureOrigin> origin);
  // Asks the desktop for the picture, handed on once it answers.
  void take(bool activeWindow, CaptureOrigin origin);
  bool onClipboard() const;

  const Options& options_;
  const Clock& clock_;
  Ways ways_;
  Automation automation_{*this};
  // Who asked for the Print Screen sent to the system, until it is answered.
  std::optional<CaptureOrigin> sentFor_;
};

}  // namespace snaprill
