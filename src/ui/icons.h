// The program's two pictures, the application icon and the paused icon, from the
// resources compiled into this library (drawn as SVG under data/icons, with PNG
// sizes beside them), so that the program finds them run from its build folder as
// well as installed.
#pragma once

#include <QIcon>

namespace snaprill {

QIcon applicationIcon();
QIcon pausedIcon();

}  // namespace snaprill
