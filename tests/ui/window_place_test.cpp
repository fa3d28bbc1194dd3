#include "ui/window_place.h"

#include <gtest/gtest.h>

namespace snaprill {
namespace {

TEST(WindowPlace, ARememberedPlaceIsKeptWhileItsTopCanBeGrabbed) {
  const QList<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
  const QSize size(700, 500);
  // On the second screen, and hanging off the right edge of the first.
  EXPECT_EQ(windowPlace(QRect(QPoint(2000, 100), size), true, screens), QPoint(2000, 100));
  EXPECT_EQ(windowPlace(QRect(QPoint(1800, 100), size), true, screens), QPoint(1800, 100));
  // A monitor unplugged since, a title bar above every screen, a window left of all.
  const QPoint centre(610, 290);
  EXPECT_EQ(windowPlace(QRect(QPoint(3300, 100), size), true, screens), centre);
  EXPECT_EQ(windowPlace(QRect(QPoint(100, -30), size), true, screens), centre);
  EXPECT_EQ(windowPlace(QRect(QPoint(-650, 100), size), true, screens), centre);
  // Nothing remembered: the middle of the primary screen, the first in the list.
  EXPECT_EQ(windowPlace(QRect(QPoint(2000, 100), size), false, screens), centre);
  // Taller than the screen: the top stays on it.
  EXPECT_EQ(windowPlace(QRect(QPoint(0, 0), QSize(700, 1200)), false, screens), QPoint(610, 0));
}

}  // namespace
}  // namespace snaprill
