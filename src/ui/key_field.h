// A hotkey field: shows and stores the 16-bit shortcut of a hotkey option (virtual
// key | 0x2000 Shift | 0x4000 Ctrl | 0x8000 Alt). While it has the focus the
// hotkeys are off, so that typing a new hotkey never fires the old one; leaving it
// turns them on again, even while the capture cycle is paused.
//
// Until the table between X keys and virtual keys exists, the field shows the
// stored number and takes a typed one.
#pragma once

#include <QLineEdit>

#include "options/options.h"
#include "platform/services.h"

namespace snaprill {

class KeyField : public QLineEdit {
  Q_OBJECT

 public:
  KeyField(Options& options, Option id, Timer& hotkeyTimer, QWidget* parent = nullptr);
  ~KeyField() override;
  KeyField(const KeyField&) = delete;
  KeyField& operator=(const KeyField&) = delete;

  QSize sizeHint() const override;

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void show(int value);
  void store();

  Options& options_;
  Option id_;
  Timer& hotkeyTimer_;
  Options::WatchId watch_;
};

}  // namespace snaprill
