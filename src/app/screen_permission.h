// GNOME asks the user whether a program may take pictures of the screen through
// the portal, once per program, and shows that question only while the program's
// own window has the focus ("Only the focused app is allowed to show a system
// access dialog"): asked by a key press, a timer or snaprill --capture while
// Snaprill sits in the tray, it is refused at once. So the question is asked the
// first time Snaprill's window has the focus while the permission store holds no
// answer yet, with a sentence beside it saying why; the picture of that question
// is thrown away. From then on the desktop answers without asking.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "backends/portal/portal_screenshot.h"

class QWidget;

namespace snaprill {

// Whether this session's desktop asks only while the asking program has the focus.
bool desktopAsksOnlyWhenFocused();

class ScreenPermission : public QObject {
  Q_OBJECT

 public:
  // `window` outlives this; `say` shows the sentence while the desktop asks (and
  // takes it away after); `parent` names the window for the portal.
  ScreenPermission(QWidget& window, std::function<void(bool asking)> say,
                   std::function<QString()> parent);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ask();

  std::function<void(bool asking)> say_;
  std::function<QString()> parent_;
  PortalScreenshot portal_;
  bool asked_ = false;
};

}  // namespace snaprill
