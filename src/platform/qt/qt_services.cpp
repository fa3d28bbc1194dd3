#include "platform/qt/qt_services.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

namespace snaprill {

void QtEventPump::processPendingEvents() {
  QCoreApplication::processEvents();
}

void QtLauncher::start(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& workingDirectory) {
  QStringList args;
  for (const std::string& a : arguments) args << QString::fromStdString(a);
  // Detached and not waited for; a program that cannot be started is ignored, as
  // the shell's "open" reports nothing to the caller either.
  QProcess::startDetached(QString::fromStdString(program), args,
                          QString::fromStdString(workingDirectory));
}

}  // namespace snaprill
