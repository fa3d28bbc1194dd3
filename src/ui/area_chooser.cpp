#include "ui/area_chooser.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPainter>
#include <QWindow>

#include "ui/ui_texts.h"

namespace snaprill {

namespace {

constexpr int kResizeLeft = 50;
constexpr int kResizeTop = 50;
// How long the window manager may take to frame the window before we fit the
// outer size to its frame.
constexpr int kFrameWaitMs = 1000;

QMargins marginsOf(const QWidget& window) {
  const QRect frame = window.frameGeometry();
  const QRect client = window.geometry();
  return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
          frame.bottom() - client.bottom()};
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
  placeOuter(wanted_, parent && parent->isVisible() ? marginsOf(*parent->window()) : QMargins());
}

QMargins AreaChooser::frameMargins() const {
  return marginsOf(*this);
}

QRect AreaChooser::outerGeometry() const {
  return frameGeometry();
}

void AreaChooser::placeOuter(const QRect& outer, QMargins frame) {
  // A top-level window's position is its frame's; its size is the client's.
  resize(std::max(outer.width() - frame.left() - frame.right(), 1),
         std::max(outer.height() - frame.top() - frame.bottom(), 1));
  move(outer.topLeft());
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
  if (isVisible() && outerGeometry() != wanted_) placeOuter(wanted_, frameMargins());
  if (!isVisible()) return;
  QEventLoop loop;
  closed_ = [&loop] { loop.quit(); };
  loop.exec();
  closed_ = nullptr;
}

void AreaChooser::closeEvent(QCloseEvent* event) {
  // Every close but Escape writes back. Negative values become 0 in the fields.
  const QRect outer = outerGeometry();
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
  painter.fillRect(rect(), palette().color(QPalette::Highlight).lighter(170));
  painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
  painter.drawRect(rect().adjusted(1, 1, -1, -1));
  const QRect outer = outerGeometry();
  QString size = QStringLiteral("%1 \u00d7 %2").arg(outer.width()).arg(outer.height());
  if (kind_ == Kind::Crop) size += QStringLiteral("\n%1, %2").arg(outer.left()).arg(outer.top());
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(rect(), Qt::AlignCenter, size);
}

void chooseCropArea(Options& options, const Texts& texts, QWidget* parent) {
  AreaChooser(AreaChooser::Kind::Crop, options, texts, parent).exec();
}

void chooseResizeArea(Options& options, const Texts& texts, QWidget* parent) {
  AreaChooser(AreaChooser::Kind::Resize, options, texts, parent).exec();
}

}  // namespace snaprill
