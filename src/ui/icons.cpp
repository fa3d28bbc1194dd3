#include "ui/icons.h"

#include <QString>

// Resources of a static library must be registered by name before their first use;
// outside any namespace, as Qt's macro requires.
static void registerIconResources() {
  Q_INIT_RESOURCE(icons);
}

namespace snaprill {

namespace {

QIcon loadIcon(const char* name) {
  registerIconResources();
  QIcon icon;
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/%1-%2.png").arg(QLatin1String(name)).arg(size),
                 QSize(size, size));
  }
  return icon;
}

}  // namespace

QIcon applicationIcon() {
  static const QIcon icon = loadIcon("snaprill");
  return icon;
}

QIcon pausedIcon() {
  static const QIcon icon = loadIcon("snaprill-paused");
  return icon;
}

}  // namespace snaprill
