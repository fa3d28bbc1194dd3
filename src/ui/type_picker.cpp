#include "ui/type_picker.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

#include "ui/ui_texts.h"

namespace snaprill {

namespace {

// Fixed names, not translated: the picker shows the formats as they call themselves.
constexpr const char* kRowNames[TypePicker::kRowCount] = {"JPEG",
                                                          "PNG",
                                                          "GIF",
                                                          "Windows Bitmap",
                                                          "Enhanced Metafile",
                                                          "TIFF",
                                                          "Video for Windows (AVI)",
                                                          "TrueVision Targa",
                                                          "ZSoft Bitmap (PCX)",
                                                          "WebP",
                                                          "AVIF",
                                                          "JPEG XL"};

const QColor kBackground(0xDE, 0xDF, 0xDE);
const QColor kLabelColour(0x63, 0x59, 0x52);
const QColor kHoverColour(0xFF, 0x00, 0x00);
constexpr int kFirstRowTop = 3;
constexpr int kRowHeight = 20;
constexpr int kNarrowestWidth = 167;

QPixmap drawRowBackground(bool highlighted) {
  QPixmap pixmap(161, kRowHeight);
  QPainter painter(&pixmap);
  QLinearGradient fill(0, 0, 0, kRowHeight);
  fill.setColorAt(0, highlighted ? QColor(0xE4, 0xEE, 0xFB) : QColor(0xF7, 0xF7, 0xF6));
  fill.setColorAt(1, highlighted ? QColor(0xB5, 0xCF, 0xF2) : QColor(0xE4, 0xE5, 0xE3));
  painter.fillRect(pixmap.rect(), fill);
  painter.setPen(highlighted ? QColor(0x6E, 0x9C, 0xD8) : QColor(0xC3, 0xC4, 0xC2));
  painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
  return pixmap;
}

void setLabelColour(QLabel* label, const QColor& colour) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
}

}  // namespace

TypePicker::TypePicker(Options& options, const Texts& texts, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      options_(options),
      texts_(texts),
      rowBackgrounds_{drawRowBackground(false), drawRowBackground(true)} {
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kBackground);
  setPalette(palette);

  QFont rowFont(QStringLiteral("Verdana"));
  rowFont.setPixelSize(13);
  int widest = 0;
  for (const char* name : kRowNames) {
    widest = std::max(widest, QFontMetrics(rowFont).horizontalAdvance(QLatin1String(name)));
  }
  // The names must fit where the desktop has no Verdana and a wider font stands in.
  const int width = std::max(kNarrowestWidth, widest + 20);
  for (int i = 0; i < kRowCount; ++i) {
    const QRect row(1, kFirstRowTop + i * kRowPitch, width - 2, kRowHeight);
    rowImages_[i] = new QLabel(this);
    rowImages_[i]->setGeometry(row);
    rowImages_[i]->setScaledContents(true);
    rowLabels_[i] = new QLabel(QLatin1String(kRowNames[i]), this);
    rowLabels_[i]->setGeometry(row);
    rowLabels_[i]->setAlignment(Qt::AlignCenter);
    rowLabels_[i]->setFont(rowFont);
    setLabelColour(rowLabels_[i], kLabelColour);
    rowImages_[i]->installEventFilter(this);
    rowLabels_[i]->installEventFilter(this);
    rowLabels_[i]->setAttribute(Qt::WA_Hover);
  }
  setFixedWidth(width);
  setRolledHeight(0);
  rollTimer_.setInterval(kRollInterval);
  connect(&rollTimer_, &QTimer::timeout, this, &TypePicker::onRollTick);
  applyTexts();
}

void TypePicker::applyTexts() {
  const QString hint = toQString(texts_.get("ImageSelect", "Hint"));
  for (int i = 0; i < kRowCount; ++i) {
    rowImages_[i]->setToolTip(hint);
    rowLabels_[i]->setToolTip(hint);
  }
}

void TypePicker::open(QWidget* anchor, QWidget* pages) {
  if (isVisible()) return;
  pages_ = pages;
  QPoint place = anchor->mapToGlobal(QPoint(0, anchor->height()));
  // Kept on the anchor's screen when the panel sits near its lower or right edge.
  if (const QScreen* screen = anchor->screen()) {
    const QRect area = screen->availableGeometry();
    place.setX(std::clamp(place.x(), area.left(), std::max(area.left(), area.right() - width())));
    place.setY(std::min(place.y(), std::max(area.top(), area.bottom() - kFullHeight)));
  }
  move(place);
  if (pages_) pages_->setEnabled(false);
  show();
}

void TypePicker::showEvent(QShowEvent* event) {
  highlightRow(options_.value(Option::outputType));
  setRolledHeight(0);
  rollingUp_ = false;
  rollTimer_.start();
  QWidget::showEvent(event);
}

void TypePicker::onRollTick() {
  if (!rollingUp_) {
    if (rolledHeight_ + kRollStep < kFullHeight) {
      setRolledHeight(rolledHeight_ + kRollStep);
    } else {
      setRolledHeight(kFullHeight);
      rollTimer_.stop();
    }
  } else if (rolledHeight_ - kRollStep > 0) {
    setRolledHeight(rolledHeight_ - kRollStep);
  } else {
    setRolledHeight(0);
    rollTimer_.stop();
    close();
  }
}

void TypePicker::closeEvent(QCloseEvent* event) {
  // Every close request lands here: a chosen row, a click anywhere outside (a
  // pop-up closes itself then), Escape, the system. The first one rolls up.
  if (!rollingUp_) {
    rollingUp_ = true;
    rollTimer_.start();
    event->ignore();
    return;
  }
  rollTimer_.stop();
  if (pages_) pages_->setEnabled(true);
  event->accept();
}

void TypePicker::chooseRow(int row) {
  if (row >= 1 && row - 1 < specOf(Option::outputType).max) {
    options_.setValue(Option::outputType, row - 1);
  }
  emit typeChosen();
  close();
}

void TypePicker::setRolledHeight(int height) {
  rolledHeight_ = height;
  // A window cannot be empty; one line stands for none.
  setFixedHeight(std::max(1, height));
}

void TypePicker::highlightRow(int index) {
  highlightedRow_ = index;
  for (int i = 0; i < kRowCount; ++i) rowImages_[i]->setPixmap(rowBackgrounds_[i == index ? 1 : 0]);
}

void TypePicker::hoverRow(int index, bool entered) {
  setLabelColour(rowLabels_[index], entered ? kHoverColour : kLabelColour);
}

int TypePicker::rowOf(QObject* widget) const {
  for (int i = 0; i < kRowCount; ++i) {
    if (widget == rowImages_[i] || widget == rowLabels_[i]) return i;
  }
  return -1;
}

bool TypePicker::eventFilter(QObject* watched, QEvent* event) {
  const int index = rowOf(watched);
  if (index < 0) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Enter:
      if (watched == rowLabels_[index]) hoverRow(index, true);
      break;
    case QEvent::Leave:
      if (watched == rowLabels_[index]) hoverRow(index, false);
      break;
    case QEvent::MouseButtonRelease:
      if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        chooseRow(index + 1);
        return true;
      }
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

void TypePicker::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up:
      highlightRow(std::max(0, highlightedRow_ - 1));
      return;
    case Qt::Key_Down:
      highlightRow(std::min(kRowCount - 1, highlightedRow_ + 1));
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      if (highlightedRow_ >= 0) chooseRow(highlightedRow_ + 1);
      return;
    case Qt::Key_Escape:
      close();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

}  // namespace snaprill
