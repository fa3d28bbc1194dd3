// The keyboard of the X display, on a connection of our own: which keys are down,
// and keys sent as if typed.
//
// The table of keys that are down is kept by X Input 2 raw key events from the
// root window: they arrive whichever window has the focus, also while another
// program holds a keyboard grab, and they take nothing away from the program that
// gets the key. No question about a key ever goes to the server. The events are
// read when Qt's event loop sees the connection readable.
//
// Keys are sent with the XTest extension, so every client sees them as typed.
#pragma once

#include <QObject>
#include <array>
#include <cstdint>
#include <unordered_map>

#include "platform/services.h"

class QSocketNotifier;
typedef struct _XDisplay Display;
union _XEvent;

namespace snaprill {

class X11Keyboard : public QObject, public KeyboardState, public KeyInjector {
  Q_OBJECT

 public:
  // Connects to the display named by DISPLAY. Without a display or X Input 2.0 no
  // key is ever down; without XTest nothing is sent.
  X11Keyboard();
  ~X11Keyboard() override;

  bool watching() const { return xiOpcode_ >= 0; }

  bool isDown(unsigned long keysym) const override;
  void send(std::span<const KeyStroke> strokes) override;

 private:
  void processEvents();
  void handle(_XEvent& event);
  // Which keysyms each key carries, from the server's keyboard mapping.
  void readMapping();
  void setKey(unsigned keycode, bool down);

  Display* display_ = nullptr;
  int xiOpcode_ = -1;
  bool canSend_ = false;
  std::array<bool, 256> down_{};
  // The keys that carry a keysym, unshifted or shifted (levels 1 and 2 of the
  // first group).
  std::unordered_multimap<unsigned long, std::uint8_t> keysOf_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace snaprill
