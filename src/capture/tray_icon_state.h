// The tray icon: the one record every tray call passes, and whether the icon is
// there. Every add, change and removal goes through here, so the record and the
// presence flag never disagree.
#pragma once

#include "platform/services.h"

namespace snaprill {

class TrayIconState {
 public:
  explicit TrayIconState(Tray& tray) : tray_(tray) {}

  TrayIconRecord record;

  bool present() const { return present_; }
  // Each asks the tray host and ignores its answer, as a missing host must not
  // stop the program.
  void add() { call(TrayOperation::Add, true); }
  void modify() { call(TrayOperation::Modify, present_); }
  void remove() { call(TrayOperation::Delete, false); }
  // Hiding the window: the icon is changed when it is always shown, else added.
  void showForHiddenWindow(bool alwaysShown) {
    call(alwaysShown ? TrayOperation::Modify : TrayOperation::Add, true);
  }

 private:
  void call(TrayOperation operation, bool presentAfter) {
    tray_.notify(operation, record);
    present_ = presentAfter;
  }

  Tray& tray_;
  bool present_ = false;
};

}  // namespace snaprill
