#include "backends/qt/qt_services.h"

#include <QCoreApplication>
#include <QStringList>

namespace snaprill {

void QtEventPump::processPendingEvents() {
  QCoreApplication::processEvents();
}

}  // namespace snaprill
