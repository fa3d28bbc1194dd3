// A hotkey field: shows the 16-bit shortcut of a hotkey option (virtual key | 0x2000
// Shift | 0x4000 Ctrl | 0x8000 Alt) as Qt names shortcuts, and takes a new one by
// pressing it. Backspace or Delete on their own clear it. While it has the focus the
// hotkeys are off, so that pressing a new hotkey never fires the old one; leaving it
// turns them on again, even while the capture cycle is paused.
#pragma once

#include <QLineEdit>

#include <functional>

#include "options/options.h"

class QKeyEvent;

namespace snaprill {

class KeyField : public QLineEdit {
  Q_OBJECT

 public:
  // hotkeysOn(false) when the field takes the focus, hotkeysOn(true) when it leaves.
  KeyField(Options& options, Option id, std::function<void(bool)> hotkeysOn,
           QWidget* parent = nullptr);
  ~KeyField() override;
  KeyField(const KeyField&) = delete;
  KeyField& operator=(const KeyField&) = delete;

  QSize sizeHint() const override;

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  void show(int value);

  Options& options_;
  Option id_;
  std::function<void(bool)> hotkeysOn_;
  Options::WatchId watch_;
};

// The hotkey value of a key press: its virtual key with the modifier bits held; 0
// for a key no virtual key stands for. A modifier key alone gives its modifier bits
// only. Exposed for the tests.
int shortcutOfKeyPress(const QKeyEvent& event);

}  // namespace snaprill
