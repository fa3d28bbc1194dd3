#include "ui/application.h"

namespace snaprill {

void SnaprillApplication::handleException(std::exception_ptr error) noexcept {
  try {
    if (handler_) handler_(error);
  } catch (...) {
    // The handler's own failure (a dialog that cannot be shown) has nowhere to go.
  }
}

bool SnaprillApplication::notify(QObject* receiver, QEvent* event) {
  // The last line of defence only: our own slots catch what they raise, since
  // unwinding through Qt's dispatch is best avoided.
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    handleException(std::current_exception());
    return false;
  }
}

}  // namespace snaprill
