#include "ui/screen_pixels.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace snaprill {

namespace {

int scaled(int offset, double factor) {
  return static_cast<int>(std::lround(offset * factor));
}

QPoint cornerOf(const QScreen* screen) {
  return screen ? screen->geometry().topLeft() : QPoint();
}

double ratioOf(const QScreen* screen) {
  return screen ? screen->devicePixelRatio() : 1.0;
}

}  // namespace

QPoint toDevicePixels(QPoint logical, QPoint screenCorner, double ratio) {
  const QPoint offset = logical - screenCorner;
  return screenCorner + QPoint(scaled(offset.x(), ratio), scaled(offset.y(), ratio));
}

QPoint toLogicalPixels(QPoint device, QPoint screenCorner, double ratio) {
  const QPoint offset = device - screenCorner;
  return screenCorner + QPoint(scaled(offset.x(), 1 / ratio), scaled(offset.y(), 1 / ratio));
}

QRect toDevicePixels(const QRect& logical, QPoint screenCorner, double ratio) {
  return {toDevicePixels(logical.topLeft(), screenCorner, ratio),
          QSize(scaled(logical.width(), ratio), scaled(logical.height(), ratio))};
}

QRect toLogicalPixels(const QRect& device, QPoint screenCorner, double ratio) {
  return {toLogicalPixels(device.topLeft(), screenCorner, ratio),
          QSize(scaled(device.width(), 1 / ratio), scaled(device.height(), 1 / ratio))};
}

QRect deviceGeometry(const QScreen& screen) {
  return toDevicePixels(screen.geometry(), cornerOf(&screen), ratioOf(&screen));
}

const QScreen* screenAtDevicePoint(QPoint device) {
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (deviceGeometry(*screen).contains(device)) return screen;
  }
  return QGuiApplication::primaryScreen();
}

const QScreen* screenAtLogicalPoint(QPoint logical) {
  const QScreen* screen = QGuiApplication::screenAt(logical);
  return screen ? screen : QGuiApplication::primaryScreen();
}

QRect toDevicePixels(const QRect& logical) {
  const QScreen* screen = screenAtLogicalPoint(logical.topLeft());
  return toDevicePixels(logical, cornerOf(screen), ratioOf(screen));
}

QRect toLogicalPixels(const QRect& device) {
  const QScreen* screen = screenAtDevicePoint(device.topLeft());
  return toLogicalPixels(device, cornerOf(screen), ratioOf(screen));
}

}  // namespace snaprill
