// The platform layer: the operating-system services the program relies on, as small
// interfaces with real implementations (backends/qt and backends/x11 for the
// desktop, backends/headless for snaprill-batch) and fakes for the tests
// (tests/fakes). File formats are not services; they live in formats/.
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/callbacks.h"
#include "formats/emf/reference_screen.h"
#include "image/bitmap.h"
#include "platform/clipboard.h"

namespace snaprill {

// Keys are named by X keysyms here (the platform's own names); the hotkeys translate
// their stored virtual-key codes (triggers/virtual_keys.h).
//
// Which keys are down, whatever program has the focus. Answered from a table that
// key events keep current, so a question costs no round trip to the display server.
class KeyboardState {
 public:
  virtual ~KeyboardState() = default;
  // Whether a key that carries this keysym (unshifted or shifted) is down now.
  virtual bool isDown(unsigned long keysym) const = 0;
  // Told after every single key event, once the table shows it: a key pressed and
  // released before anyone asked is seen down by the listeners all the same.
  Callbacks changed;
};

struct KeyStroke {
  unsigned long keysym;
  bool down;
};

// Key events sent into the system's input as if typed, for every program to see.
class KeyInjector {
 public:
  virtual ~KeyInjector() = default;
  // In order; a keysym no key of the keyboard carries is left out.
  virtual void send(std::span<const KeyStroke> strokes) = 0;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual void errorBox(const std::string& text) = 0;    // single OK button
  virtual void messageBox(const std::string& text) = 0;  // plain notice
  virtual bool confirm(const std::string& text) = 0;     // OK (true) or Cancel
  // File dialogs; filter in the form "Name (*.a;*.b)|*.a;*.b|All files (*.*)|*.*".
  // Nothing when cancelled.
  virtual std::optional<std::string> openFile(const std::string& title, const std::string& filter,
                                              const std::string& initialDir) = 0;
  // Several existing files at once, in the order the dialog lists them.
  virtual std::optional<std::vector<std::string>> openFiles(const std::string& title,
                                                            const std::string& filter,
                                                            const std::string& initialDir) = 0;
  virtual std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                              const std::string& defaultExtension,
                                              const std::string& initialDir) = 0;
};

enum class TrayIcon { Application, Paused };
enum class TrayOperation { Add = 0, Modify = 1, Delete = 2 };

// What every tray call passes: the icon and its tip.
struct TrayIconRecord {
  static constexpr std::size_t kTipBytes = 64;
  TrayIcon icon = TrayIcon::Application;
  std::array<char, kTipBytes> tipField{};  // zero-terminated UTF-8

  // Stores a tip, cut to at most 63 bytes without splitting a UTF-8 character.
  void setTip(const std::string& text);
  std::string tip() const;
};

class Tray {
 public:
  virtual ~Tray() = default;
  // Returns whether the shell accepted the call; callers mostly ignore it.
  virtual bool notify(TrayOperation op, const TrayIconRecord& record) = 0;
};

// A timer of a window. The handler runs on the user-interface thread.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual void setEnabled(bool on) = 0;
  virtual bool enabled() const = 0;
  virtual void setInterval(int milliseconds) = 0;
  virtual int interval() const = 0;
  void setHandler(std::function<void()> handler) { handler_ = std::move(handler); }

 protected:
  void fire() {
    if (handler_) handler_();
  }

 private:
  std::function<void()> handler_;
};

// Work done away from the user-interface thread, one piece at a time: the encoding
// and writing of captures, so that neither the window nor the next capture waits
// on an encoder.
class BackgroundWork {
 public:
  virtual ~BackgroundWork() = default;
  // Runs `work` on another thread; once it has returned, `done` runs on the
  // user-interface thread, never inside this call. One piece at a time: the next
  // is started only after `done` of the one before has run. Neither may throw.
  virtual void start(std::function<void()> work, std::function<void()> done) = 0;
  // Blocks until the work started has returned, then runs its `done` here unless
  // it has run already (the event loop may be over: the program ends).
  virtual void finishNow() = 0;
};

struct LocalTime {
  int year = 2000;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime now() const = 0;
  // The same moment as a point in time, as it is kept with a capture.
  virtual std::chrono::system_clock::time_point instant() const = 0;
};

class SystemClock : public Clock {
 public:
  LocalTime now() const override;
  std::chrono::system_clock::time_point instant() const override {
    return std::chrono::system_clock::now();
  }
};

// Starts a program detached, without a shell, without waiting for it to run.
class Launcher {
 public:
  virtual ~Launcher() = default;
  // False when the program could not be started (not found, not executable); true
  // once it runs, and where starting programs is left out on purpose.
  virtual bool start(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& workingDirectory) = 0;
};

// The mouse cursor as the screen shows it.
struct CursorSnapshot {
  // The cursor's picture at its own size: 32 bpp, B G R and alpha in the fourth
  // byte, colours premultiplied by alpha (as the X server hands it out). Empty when
  // the cursor cannot be had.
  Bitmap image;
  int pointerX = 0;  // pointer position in screen coordinates
  int pointerY = 0;
  // The hot spot: the pixel of the picture that points, which goes to the pointer
  // position.
  int hotX = 0;
  int hotY = 0;
};

class CursorSource {
 public:
  virtual ~CursorSource() = default;
  virtual CursorSnapshot current() = 0;
};

// The screen as it is at the moment of asking: a monitor plugged in or out, or another
// resolution, changes it while the program runs.
class ScreenSource {
 public:
  virtual ~ScreenSource() = default;
  // What a whole-screen capture shows: its size in pixels and millimetres.
  virtual ReferenceScreen current() = 0;
};

enum TextStyleBits : int { kTextBold = 1, kTextItalic = 2, kTextUnderline = 4, kTextStrikeOut = 8 };

// The font of a text, as the capture text's options give it.
struct TextFont {
  std::string name;
  int pointSize = 0;  // at 96 dots per inch
  int style = 0;      // bit set of TextStyleBits
  Rgb colour;
};

struct TextSize {
  int width = 0;
  int height = 0;
};

// Draws single lines of text onto bitmaps.
class TextRenderer {
 public:
  virtual ~TextRenderer() = default;
  // Width and height of the text's cell, in pixels.
  virtual TextSize measure(const std::string& utf8, const TextFont& font) = 0;
  // Draws the text as one line with its cell's top-left corner at (x, y); with a
  // background colour the cell is filled with it first, otherwise only the glyphs are
  // drawn. Whatever falls outside the bitmap is cut off. A 32 or 24 bpp target is
  // drawn on directly; other formats keep their format.
  virtual void draw(Bitmap& target, int x, int y, const std::string& utf8, const TextFont& font,
                    const std::optional<Rgb>& background) = 0;
};

}  // namespace snaprill
