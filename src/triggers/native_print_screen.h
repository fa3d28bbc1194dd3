// The system's Print Screen where the program has to play it itself (a Wayland
// session): the key sequences the hotkeys and the automation send are not keys
// for anyone else there, so they are answered here as the system answers them on
// X11. Print Screen takes the whole screen, Alt+Print Screen the active window,
// and the picture goes straight to the capture cycle once the desktop gave it;
// while "Print Screen copies the screen" is on, it is offered on the clipboard as
// well where other programs can be served from there, and the cycle takes it from
// the clipboard instead. A picture the desktop would not give is reported as a
// lost capture, with its reason.
#pragma once

#include "options/options.h"
#include "platform/direct_pictures.h"
#include "platform/screen_grabber.h"
#include "platform/services.h"

namespace snaprill {

// The picture Print Screen asks for (the active window with Alt held): the cursor
// is drawn by the compositor where it can be, as the cursor adjustment knows
// nothing of a Wayland pointer.
GrabRequest nativeRequest(const Options& options, bool activeWindow);

class NativePrintScreen : public KeyInjector {
 public:
  // Everything given outlives this.
  NativePrintScreen(const Options& options, ScreenGrabber& screen, DirectPictures& pictures)
      : options_(options), screen_(screen), pictures_(pictures) {}

  // Asks for one picture per Print Screen press in the strokes; other keys are left
  // out. Each goes on once the desktop gave it.
  void send(std::span<const KeyStroke> strokes) override;
  // A picture taken as Print Screen takes its own (a --capture request): on the
  // same way to the cycle; none, with the reason, as a lost capture.
  void handOn(TakenPicture taken);

 private:
  const Options& options_;
  ScreenGrabber& screen_;
  DirectPictures& pictures_;
};

}  // namespace snaprill
