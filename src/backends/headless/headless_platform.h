// The services of a program without a display (snaprill-batch): pictures are
// handed to the clipboard by the program itself, dialogs print to the console,
// there is no tray, and timers never fire on their own: the program runs each tick
// itself.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include "platform/platform.h"
#include "platform/process_launcher.h"
#include "platform/services.h"

namespace snaprill::headless {

// Holds the one picture the program hands over until the cycle takes it.
class HandOverClipboard : public Clipboard {
 public:
  void handOver(Bitmap picture) { picture_ = std::move(picture); }
  bool hasBitmap() const override { return picture_.has_value(); }
  // The picture itself, not a copy: the cycle empties the clipboard right after
  // taking it, and a second screen-sized picture would raise the batch's peak memory
  // by a whole capture. A second take before that gives nothing.
  Bitmap takeBitmap() override {
    if (!picture_) return Bitmap();
    Bitmap taken = std::exchange(*picture_, Bitmap());
    taken.convertTo(32);
    return taken;
  }
  void clear() override { picture_.reset(); }
  void offer(Bitmap picture) override { handOver(std::move(picture)); }

 private:
  std::optional<Bitmap> picture_;
};

// Errors and notices go to the console; questions are answered "Cancel" (a script
// cannot answer them), and file dialogs are cancelled.
class ConsoleDialogs : public Dialogs {
 public:
  explicit ConsoleDialogs(std::ostream& err) : err_(err) {}
  void errorBox(const std::string& text) override;
  void messageBox(const std::string& text) override;
  bool confirm(const std::string& text) override;
  std::optional<std::string> openFile(const std::string&, const std::string&,
                                      const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::vector<std::string>> openFiles(const std::string&, const std::string&,
                                                    const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> saveFile(const std::string&, const std::string&, const std::string&,
                                      const std::string&) override {
    return std::nullopt;
  }
  void setBusy(bool) override {}
  // How many error boxes were shown so far.
  int errorsShown() const { return errors_; }

 private:
  std::ostream& err_;
  int errors_ = 0;
};

class NoTray : public Tray {
 public:
  bool notify(TrayOperation, const TrayIconRecord&) override { return false; }
};

// A timer that keeps its settings but never fires.
class StillTimer : public Timer {
 public:
  void setEnabled(bool on) override { enabled_ = on; }
  bool enabled() const override { return enabled_; }
  void setInterval(int milliseconds) override { interval_ = milliseconds; }
  int interval() const override { return interval_; }

 private:
  bool enabled_ = false;
  int interval_ = 0;
};

class NoEvents : public EventPump {
 public:
  void processPendingEvents() override {}
};

// Starts nothing: for runs that must not start the external program.
class NoLauncher : public Launcher {
 public:
  void start(const std::string&, const std::vector<std::string>&, const std::string&) override {}
};

// Every headless service in one place, and the platform over them.
struct HeadlessServices {
  explicit HeadlessServices(std::ostream& err) : dialogs(err) {}
  HeadlessServices(const HeadlessServices&) = delete;  // platforms refer to the members
  HeadlessServices& operator=(const HeadlessServices&) = delete;

  // With launch false, the external program is never started.
  Platform makePlatform(const ProgramDirectories& dirs, bool launch);

  HandOverClipboard clipboard;
  ConsoleDialogs dialogs;
  NoTray tray;
  SystemClock clock;
  ProcessLauncher launcher;
  NoLauncher noLauncher;
  NoEvents events;
};

}  // namespace snaprill::headless
