#include "ui/area_chooser.h"

#include <QtGui/qguiapplication_platform.h>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QWindow>

#include "backends/x11/x11_window_frame.h"
#include "ui/readable_colour.h"
#include "ui/screen_pixels.h"
#include "ui/ui_texts.h"

namespace snaprill {

namespace {

constexpr int kResizeLeft = 50;
constexpr int kResizeTop = 50;
// How long the window manager may take to frame the window before we fit the
// outer size to its frame.
constexpr int kFrameWaitMs = 1000;
// How long the window manager may take to carry out a placement.
constexpr int kPlaceWaitMs = 200;

QMargins marginsBetween(const QRect& client, const QRect& outer) {
  return {client.left() - outer.left(), client.top() - outer.top(), outer.right() - client.right(),
          outer.bottom() - client.bottom()};
}

QRect qrectOf(const Rect& rect) {
  return {rect.left, rect.top, rect.width(), rect.height()};
}

}  // namespace

AreaChooser::AreaChooser(Kind kind, Options& options, const Texts& texts, QWidget* parent)
    : QWidget(parent), kind_(kind), options_(options) {
  setObjectName(QStringLiteral("areaChooser"));
  // Sizeable, on top of everything, with only the close button (and the window
  // menu) in its title bar.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
  setWindowModality(Qt::ApplicationModal);
  setAttribute(Qt::WA_DeleteOnClose, false);
  // Where a compositor runs, what lies below shows through; elsewhere it is ignored.
  setWindowOpacity(0.6);
  setMinimumSize(1, 1);
  setFocusPolicy(Qt::StrongFocus);
  const bool crop = kind == Kind::Crop;
  setWindowTitle(toQString(texts.get(crop ? "Crop" : "Resize", "WindowText")));
  wanted_ = crop ? QRect(options.value(Option::cropLeft), options.value(Option::cropTop),
                         options.value(Option::cropWidth), options.value(Option::cropHeight))
                 : QRect(kResizeLeft, kResizeTop, options.value(Option::resizeWidth),
                         options.value(Option::resizeHeight));
  // Until the window manager has framed this window, its frame is taken to be the
  // main window's.
  QMargins guess;
  if (parent && parent->isVisible()) {
    const QWidget& main = *parent->window();
    guess = marginsBetween(toDevicePixels(main.geometry()), toDevicePixels(main.frameGeometry()));
  }
  placeOuter(wanted_, guess);
}

std::optional<std::pair<QRect, QRect>> AreaChooser::serverRects() const {
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !x11->display() || !testAttribute(Qt::WA_WState_Created)) return std::nullopt;
  const std::optional<WindowRects> rects = windowRects(x11->display(), effectiveWinId());
  if (!rects) return std::nullopt;
  return std::pair(qrectOf(rects->client), qrectOf(rects->outer));
}

QMargins AreaChooser::frameMargins() const {
  if (const auto rects = serverRects()) return marginsBetween(rects->first, rects->second);
  return marginsBetween(toDevicePixels(geometry()), toDevicePixels(frameGeometry()));
}

QRect AreaChooser::outerGeometry() const {
  if (const auto rects = serverRects()) return rects->second;
  return toDevicePixels(frameGeometry());
}

QRect AreaChooser::chosenGeometry() const {
  const QRect outer = outerGeometry();
  return outer == placed_ ? wanted_ : outer;
}

void AreaChooser::placeOuter(const QRect& outer, QMargins frame) {
  // A top-level window's position is its frame's; its size is the client's. Both
  // are set in logical pixels of the screen the rectangle starts on.
  const QRect client(outer.topLeft(),
                     QSize(std::max(outer.width() - frame.left() - frame.right(), 1),
                           std::max(outer.height() - frame.top() - frame.bottom(), 1)));
  const QRect logical = toLogicalPixels(client);
  resize(logical.size().expandedTo(QSize(1, 1)));
  move(logical.topLeft());
}

bool AreaChooser::placeOnServer() {
  // Logical pixels cannot say every device pixel (a frame one pixel wide is half a
  // logical pixel at 200 %): on X the window is placed in the server's pixels. Qt
  // still keeps the window's own area at whole logical pixels, so beside an odd
  // frame the outer size may end a pixel short; closing untouched gives back the
  // fields' values all the same.
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !x11->display() || !serverRects()) return false;
  const QMargins frame = frameMargins();
  placeWindow(x11->display(), winId(),
              Rect{wanted_.left(), wanted_.top(),
                   wanted_.left() + wanted_.width() - frame.left() - frame.right(),
                   wanted_.top() + wanted_.height() - frame.top() - frame.bottom()});
  QElapsedTimer waited;
  waited.start();
  while (outerGeometry() != wanted_ && waited.elapsed() < kPlaceWaitMs) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
  }
  return true;
}

void AreaChooser::exec() {
  show();
  activateWindow();
  QElapsedTimer waited;
  waited.start();
  while (windowHandle() && !windowHandle()->isExposed() && waited.elapsed() < kFrameWaitMs) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
  }
  QCoreApplication::processEvents();
  // The frame is known now: the outer size and place are the fields' own.
  if (isVisible() && outerGeometry() != wanted_) {
    if (!placeOnServer()) placeOuter(wanted_, frameMargins());
    QCoreApplication::processEvents();
  }
  if (!isVisible()) return;
  placed_ = outerGeometry();
  update();  // the readout now shows the fields' values
  QEventLoop loop;
  closed_ = [&loop] { loop.quit(); };
  loop.exec();
  closed_ = nullptr;
}

void AreaChooser::closeEvent(QCloseEvent* event) {
  // Every close but Escape writes back. Negative values become 0 in the fields.
  const QRect outer = chosenGeometry();
  if (cancelled_) {
    // Escape: the fields keep what they had.
  } else if (kind_ == Kind::Crop) {
    options_.setValue(Option::cropWidth, outer.width());
    options_.setValue(Option::cropHeight, outer.height());
    options_.setValue(Option::cropTop, outer.top());
    options_.setValue(Option::cropLeft, outer.left());
  } else {
    options_.setValue(Option::resizeWidth, outer.width());
    options_.setValue(Option::resizeHeight, outer.height());
  }
  event->accept();
  if (closed_) closed_();
}

void AreaChooser::keyPressEvent(QKeyEvent* event) {
  const int step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
  QPoint by;
  switch (event->key()) {
    case Qt::Key_Left:
      by = {-step, 0};
      break;
    case Qt::Key_Right:
      by = {step, 0};
      break;
    case Qt::Key_Up:
      by = {0, -step};
      break;
    case Qt::Key_Down:
      by = {0, step};
      break;
    case Qt::Key_Escape:
      cancelled_ = true;
      [[fallthrough]];
    case Qt::Key_Return:
    case Qt::Key_Enter:
      close();
      return;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  if (event->modifiers() & Qt::ControlModifier) {
    resize(std::max(width() + by.x(), 1), std::max(height() + by.y(), 1));
  } else {
    move(pos() + by);
  }
}

void AreaChooser::moveEvent(QMoveEvent* event) {
  update();
  QWidget::moveEvent(event);
}

void AreaChooser::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const ReadoutColours colours = readoutColours(palette());
  painter.fillRect(rect(), colours.fill);
  painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
  painter.drawRect(rect().adjusted(1, 1, -1, -1));
  const QRect outer = chosenGeometry();
  QString size = QStringLiteral("%1 \u00d7 %2").arg(outer.width()).arg(outer.height());
  if (kind_ == Kind::Crop) size += QStringLiteral("\n%1, %2").arg(outer.left()).arg(outer.top());
  painter.setPen(colours.text);
  painter.drawText(rect(), Qt::AlignCenter, size);
}

ReadoutColours readoutColours(const QPalette& palette) {
  const QColor highlight = palette.color(QPalette::Highlight);
  const QColor fill = lightTheme(palette) ? highlight.lighter(170) : highlight.darker(250);
  return {fill, readableAgainst(
                    fill, {palette.color(QPalette::WindowText), palette.color(QPalette::Text)})};
}

void chooseCropArea(Options& options, const Texts& texts, QWidget* parent) {
  AreaChooser(AreaChooser::Kind::Crop, options, texts, parent).exec();
}

void chooseResizeArea(Options& options, const Texts& texts, QWidget* parent) {
  AreaChooser(AreaChooser::Kind::Resize, options, texts, parent).exec();
}

}  // namespace snaprill
