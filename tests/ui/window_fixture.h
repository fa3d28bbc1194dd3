// The main window over a capture cycle on fake services, in a temporary program
// folder, on Qt's offscreen platform: no display needed. The desktop's choosers
// are answered by the test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QCoreApplication>
#include <memory>
#include <optional>

#include "support/settings_harness.h"
#include "ui/choosers.h"
#include "ui/icons.h"
#include "ui/main_window.h"

namespace snaprill::test {

inline void ensureApplication() {
  if (QCoreApplication::instance()) return;
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // The offscreen platform says, for every window, what it cannot do.
  static const QtMessageHandler qtDefault = qInstallMessageHandler(nullptr);
  qInstallMessageHandler(
      [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (!text.startsWith(QLatin1String("This plugin does not support"))) {
          qtDefault(type, context, text);
        }
      });
  static int argc = 1;
  static char name[] = "test_ui";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);  // lives as long as the test program
}

// The session of a harness, as the program hands it to its window.
inline Session sessionOf(Harness& h) {
  return Session{h.options, h.texts,  h.platform, h.state,     h.cycle,
                 h.reports, h.status, h.settings, h.qualityBar};
}

// Answers as a user would have, and remembers that it was asked.
struct ScriptedChoosers : Choosers {
  std::optional<QColor> colour(const QColor&, QWidget*) override { return nextColour; }
  std::optional<QFont> font(const QFont& initial, QWidget*) override {
    fontAsked = initial;
    return nextFont;
  }
  std::optional<QString> directory(const QString& initial, QWidget* parent) override {
    if (realDirectoryChooser) return Choosers::directory(initial, parent);
    return nextDirectory;
  }

  std::optional<QColor> nextColour;
  std::optional<QFont> nextFont;
  std::optional<QFont> fontAsked;
  std::optional<QString> nextDirectory;
  bool realDirectoryChooser = false;  // the program's own chooser instead
};

class WindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ensureApplication(); }

  // A window made after the test has written its settings file.
  MainWindow& window() {
    if (!window_) window_ = std::make_unique<MainWindow>(session, tray_, choosers);
    return *window_;
  }
  MainWindow& startedWindow() {
    window().startUp(false);
    return *window_;
  }
  template <class W>
  W* find(const char* name) {
    W* widget = window().findChild<W*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  std::string settingsFile() const { return dir.path() + "snaprill.ini"; }

  TempDir dir;
  Harness h{dir.path()};
  Session session = sessionOf(h);
  ScriptedChoosers choosers;

 private:
  QtTray tray_{applicationIcon(), pausedIcon()};
  std::unique_ptr<MainWindow> window_;
};

}  // namespace snaprill::test
