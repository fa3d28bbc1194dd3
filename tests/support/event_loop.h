// Qt's event loop for tests of code that answers from it: one application for the
// whole test program, and a loop that runs until a condition holds.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

namespace snaprill::test {

inline QCoreApplication& coreApplication() {
  static int argc = 1;
  static char name[] = "test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app = QCoreApplication::instance() != nullptr
                                     ? QCoreApplication::instance()
                                     : new QCoreApplication(argc, argv);
  return *app;
}

// Runs the event loop until `done()` holds or `milliseconds` have passed; whether it
// holds.
inline bool runEventsUntil(const std::function<bool()>& done, int milliseconds) {
  coreApplication();
  QElapsedTimer waited;
  waited.start();
  while (!done() && waited.elapsed() < milliseconds)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
  return done();
}

// Lets the event loop run for about `milliseconds`.
inline void runEventsFor(int milliseconds) {
  runEventsUntil([] { return false; }, milliseconds);
}

}  // namespace snaprill::test
