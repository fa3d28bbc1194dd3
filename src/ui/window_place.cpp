#include "ui/window_place.h"

#include <algorithm>

namespace snaprill {

namespace {

// A strip along the window's top edge: its title bar under a window manager.
constexpr int kGrabHeight = 24;
constexpr int kGrabWidth = 80;

bool reachable(const QRect& window, const QList<QRect>& screens) {
  const QRect top(window.left(), window.top(), window.width(),
                  std::min(kGrabHeight, window.height()));
  const int needed = std::min(kGrabWidth, window.width());
  return std::any_of(screens.begin(), screens.end(), [&](const QRect& screen) {
    const QRect visible = screen.intersected(top);
    return visible.width() >= needed && visible.height() >= top.height();
  });
}

}  // namespace

QPoint windowPlace(const QRect& window, bool remembered, const QList<QRect>& screens) {
  if (remembered && reachable(window, screens)) return window.topLeft();
  if (screens.isEmpty()) return window.topLeft();
  QRect centred(QPoint(), window.size());
  centred.moveCenter(screens.front().center());
  // A window taller than the screen keeps its top, and so its title, on it.
  return {std::max(screens.front().left(), centred.left()),
          std::max(screens.front().top(), centred.top())};
}

}  // namespace snaprill
