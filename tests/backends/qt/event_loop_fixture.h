// Tests that need Qt's event loop (no display): a core application for the test
// program, and ways to let the loop run.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

namespace snaprill::testing {

class EventLoopTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "test_backend_qt";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);  // lives to the end
  }
  // Lets the event loop run for about ms milliseconds.
  static void spin(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  }
  // Runs the event loop until done() holds, for at most limitMs milliseconds.
  template <class F>
  static bool spinUntil(F done, int limitMs = 2000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < limitMs) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return done();
  }
};

}  // namespace snaprill::testing
