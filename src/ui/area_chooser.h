// The area chooser: an empty window that is the rectangle. The user drags and
// sizes it over the part of the screen that matters and closes it; its outer
// geometry (the window manager's frame included) goes back into the crop or resize
// fields. The window shows its own size, and lets what lies below show through
// where a compositor makes windows translucent.
#pragma once

#include <QRect>
#include <QWidget>
#include <functional>

#include "options/options.h"
#include "options/texts.h"

namespace snaprill {

class AreaChooser : public QWidget {
  Q_OBJECT

 public:
  enum class Kind { Crop, Resize };

  // A window for one use: at the crop rectangle, or at 50, 50 with the resize size.
  AreaChooser(Kind kind, Options& options, const Texts& texts, QWidget* parent);

  // Shows the window and waits until it is closed; the close writes back.
  void exec();

  // The window's place and size on the screen, its frame included.
  QRect outerGeometry() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  // Arrows move the window, Ctrl+arrows size it (Shift: ten pixels at a time);
  // Return closes it as a close does, Escape closes it leaving the fields as they were.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void placeOuter(const QRect& outer, QMargins frame);
  QMargins frameMargins() const;

  Kind kind_;
  Options& options_;
  QRect wanted_;
  std::function<void()> closed_;
  bool cancelled_ = false;
};

// The "Choose Area" links of the crop and resize groups.
void chooseCropArea(Options& options, const Texts& texts, QWidget* parent);
void chooseResizeArea(Options& options, const Texts& texts, QWidget* parent);

}  // namespace snaprill
