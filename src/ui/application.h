// The application object with the program-wide error handler: an exception that
// escapes an event handler lands here instead of ending the program.
#pragma once

#include <QApplication>
#include <exception>
#include <functional>

namespace snaprill {

class SnaprillApplication : public QApplication {
 public:
  SnaprillApplication(int& argc, char** argv) : QApplication(argc, argv) {}

  void setExceptionHandler(std::function<void(std::exception_ptr)> handler) {
    handler_ = std::move(handler);
  }
  // Runs the handler for an exception caught at any other boundary.
  void handleException(std::exception_ptr error) noexcept;

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  std::function<void(std::exception_ptr)> handler_;
};

}  // namespace snaprill
