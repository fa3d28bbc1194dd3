// The services of a program without a display (snaprill-batch): no clipboard
// (pictures come from files), dialogs print to the console, there is no tray, and
// timers never fire.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "platform/platform.h"
#include "platform/process_launcher.h"
#include "platform/services.h"

namespace snaprill::headless {

// snaprill-batch saves the picture files it is given; nothing is ever offered.
class NoClipboard : public Clipboard, private PictureSource {
 public:
  PictureSource& pictures() override { return *this; }
  void offer(Bitmap, const CaptureSource&) override {}

 private:
  bool holdsPicture() const override { return false; }
  bool handOver(bool) override { return false; }
  void drop() override {}
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

 private:
  std::ostream& err_;
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

// Starts nothing: for runs that must not start the external program. Nothing is
// reported as not started: leaving it out was asked for.
class NoLauncher : public Launcher {
 public:
  bool start(const std::string&, const std::vector<std::string>&, const std::string&) override {
    return true;
  }
};

// Every headless service in one place, and the platform over them.
struct HeadlessServices {
  explicit HeadlessServices(std::ostream& err) : dialogs(err) {}
  HeadlessServices(const HeadlessServices&) = delete;  // platforms refer to the members
  HeadlessServices& operator=(const HeadlessServices&) = delete;

  // With launch false, the external program is never started.
  Platform makePlatform(const ProgramDirectories& dirs, bool launch);

  NoClipboard clipboard;
  ConsoleDialogs dialogs;
  NoTray tray;
  SystemClock clock;
  ProcessLauncher launcher;
  NoLauncher noLauncher;
};

}  // namespace snaprill::headless
