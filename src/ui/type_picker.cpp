#include "ui/type_picker.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

#include "ui/readable_colour.h"
#include "ui/ui_texts.h"

namespace snaprill {

namespace {

// The picker's own greys, blue and red where the theme is light; the theme's
// colours where it is dark.
const QColor kLightBackground(0xDE, 0xDF, 0xDE);
const QColor kLightLabelColour(0x63, 0x59, 0x52);
const QColor kLightHoverColour(0xFF, 0x00, 0x00);
constexpr int kFirstRowTop = 3;
constexpr int kRowHeight = 20;
constexpr int kNarrowestWidth = 167;

struct RowColours {
  QColor top, bottom, edge;
};

RowColours rowColours(const QPalette& palette, bool highlighted) {
  if (lightTheme(palette)) {
    if (highlighted)
      return {QColor(0xE4, 0xEE, 0xFB), QColor(0xB5, 0xCF, 0xF2), QColor(0x6E, 0x9C, 0xD8)};
    return {QColor(0xF7, 0xF7, 0xF6), QColor(0xE4, 0xE5, 0xE3), QColor(0xC3, 0xC4, 0xC2)};
  }
  const QColor base = palette.color(highlighted ? QPalette::Highlight : QPalette::Button);
  return {base.lighter(115), base,
          palette.color(highlighted ? QPalette::Highlight : QPalette::Mid)};
}

// Drawn at the screen's own pixels, so that a scaled desktop shows sharp edges
// rather than a stretched small picture.
QPixmap drawRowBackground(const QPalette& palette, bool highlighted, QSize size, qreal ratio) {
  QPixmap pixmap(size * ratio);
  pixmap.setDevicePixelRatio(ratio);
  const RowColours colours = rowColours(palette, highlighted);
  QPainter painter(&pixmap);
  QLinearGradient fill(0, 0, 0, size.height());
  fill.setColorAt(0, colours.top);
  fill.setColorAt(1, colours.bottom);
  painter.fillRect(QRect(QPoint(), size), fill);
  painter.setPen(QPen(colours.edge, 0));
  painter.drawRect(QRectF(0.5, 0.5, size.width() - 1, size.height() - 1));
  return pixmap;
}

// The middle of a row's gradient, for the label that stands on it.
QColor rowMiddle(const QPalette& palette, bool highlighted) {
  const RowColours colours = rowColours(palette, highlighted);
  return QColor((colours.top.red() + colours.bottom.red()) / 2,
                (colours.top.green() + colours.bottom.green()) / 2,
                (colours.top.blue() + colours.bottom.blue()) / 2);
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
      texts_(texts) {
  setAutoFillBackground(true);
  // The desktop's font, in the desktop's size: rows grow with a larger font.
  const QFontMetrics metrics = fontMetrics();
  rowHeight_ = std::max(kRowHeight, metrics.height() + 4);
  int widest = 0;
  for (const OutputTypeInfo& type : offeredOutputTypes()) {
    widest = std::max(widest, metrics.horizontalAdvance(QLatin1String(type.pickerName)));
  }
  const int width = std::max(kNarrowestWidth, widest + 20);
  for (int i = 0; i < kRowCount; ++i) {
    const QRect row(1, kFirstRowTop + i * (rowHeight_ + kRowPitch - kRowHeight), width - 2,
                    rowHeight_);
    rowImages_[i] = new QLabel(this);
    rowImages_[i]->setGeometry(row);
    rowLabels_[i] =
        new QLabel(QLatin1String(outputTypes()[static_cast<std::size_t>(i)].pickerName), this);
    rowLabels_[i]->setGeometry(row);
    rowLabels_[i]->setAlignment(Qt::AlignCenter);
    rowImages_[i]->installEventFilter(this);
    rowLabels_[i]->installEventFilter(this);
    rowLabels_[i]->setAttribute(Qt::WA_Hover);
  }
  setFixedWidth(width);
  applyColours();
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
    place.setY(std::min(place.y(), std::max(area.top(), area.bottom() - fullHeight())));
  }
  move(place);
  if (pages_) pages_->setEnabled(false);
  show();
}

QPalette TypePicker::themePalette() const {
  // The application's, not the picker's own: that one may hold the light
  // background it was given for the theme before.
  return QApplication::palette(this);
}

int TypePicker::fullHeight() const {
  return kFullHeight + kRowCount * (rowHeight_ - kRowHeight);
}

void TypePicker::applyColours() {
  // The screen may have changed, and with it the ratio of its pixels.
  const QSize rowSize = rowImages_[0]->size();
  const qreal ratio = devicePixelRatioF();
  const QPalette theme = themePalette();
  rowBackgrounds_ = {drawRowBackground(theme, false, rowSize, ratio),
                     drawRowBackground(theme, true, rowSize, ratio)};
  QPalette own;  // the application's, but for what is set here
  if (lightTheme(theme)) own.setColor(QPalette::Window, kLightBackground);
  setPalette(own);
  highlightRow(highlightedRow_);
}

QColor TypePicker::labelColour(int index, bool hovered) const {
  const bool highlighted = index == highlightedRow_;
  const QPalette theme = themePalette();
  const QColor behind = rowMiddle(theme, highlighted);
  if (hovered) return readableAgainst(behind, {kLightHoverColour, theme.color(QPalette::Link)});
  return readableAgainst(
      behind, {kLightLabelColour,
               theme.color(highlighted ? QPalette::HighlightedText : QPalette::ButtonText)});
}

void TypePicker::changeEvent(QEvent* event) {
  const bool themeChanged =
      event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange;
  if (themeChanged && !applyingColours_) {
    applyingColours_ = true;
    applyColours();
    applyingColours_ = false;
  }
  QWidget::changeEvent(event);
}

void TypePicker::showEvent(QShowEvent* event) {
  applyColours();
  highlightRow(options_.value(Option::outputType));
  setRolledHeight(0);
  rollingUp_ = false;
  rollTimer_.start();
  QWidget::showEvent(event);
}

void TypePicker::onRollTick() {
  if (!rollingUp_) {
    if (rolledHeight_ + kRollStep < fullHeight()) {
      setRolledHeight(rolledHeight_ + kRollStep);
    } else {
      setRolledHeight(fullHeight());
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
  for (int i = 0; i < kRowCount; ++i) {
    rowImages_[i]->setPixmap(rowBackgrounds_[i == index ? 1 : 0]);
    setLabelColour(rowLabels_[i], labelColour(i, false));
  }
}

void TypePicker::hoverRow(int index, bool entered) {
  setLabelColour(rowLabels_[index], labelColour(index, entered));
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
