// One running program per settings folder. Two programs watching one clipboard
// would both take the same screenshot, so a second start with the same settings
// folder asks the running one to show its window and ends; another settings folder
// (SNAPRILL_HOME) is another program and may run beside it.
//
// The first program holds an exclusive lock on a file named after the settings
// folder, which the system releases however the program ends, and listens on a
// local socket of the same name. A later start that cannot take the lock is not the
// first; it connects to the socket and writes one line, "show".
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <string>

namespace snaprill {

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // Takes the lock of the settings folder when no running program holds it.
  explicit SingleInstance(const std::string& settingsDir, QObject* parent = nullptr);
  ~SingleInstance() override;
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  bool first() const { return first_; }
  // For a later start: asks the first to show its window; false when it could not
  // be reached within the time.
  bool askToShow(int timeoutMs) const;

  // Where the lock and the socket live for a settings folder: the user's runtime
  // folder, named by a hash of the folder's absolute path.
  static QString socketPath(const std::string& settingsDir);

 signals:
  void showRequested();

 private:
  void readRequest();

  QString socketPath_;
  int lockFd_ = -1;
  bool first_ = false;
  QLocalServer server_;
};

}  // namespace snaprill
