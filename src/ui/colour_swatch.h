// A colour swatch: a sunken field filled with a colour option's colour, its caption
// written in white or black so that it stays readable on the fill; a click asks
// for a new colour.
#pragma once

#include <QColor>
#include <QFrame>

namespace snaprill {

// The caption colour on a fill of this value (0x00BBGGRR, negative values name
// system colours): white up to 12000000, black above. The rule compares the raw
// value, so it follows the blue channel more than brightness, as it always has.
QColor contrastColour(int value);

// The colour a value stands for; a system colour takes the palette's nearest role.
QColor colourFromValue(int value, const QPalette& palette);
// The value of an ordinary colour: red in the lowest byte.
int valueFromColour(const QColor& colour);

class ColourSwatch : public QFrame {
  Q_OBJECT

 public:
  explicit ColourSwatch(QWidget* parent = nullptr);

  void setCaption(const QString& caption);
  QString caption() const { return caption_; }
  void setValue(int value);
  int value() const { return value_; }
  QColor captionColour() const { return contrastColour(value_); }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QString caption_;
  int value_ = 0;
};

}  // namespace snaprill
