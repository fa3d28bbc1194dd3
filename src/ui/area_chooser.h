// The area chooser: an empty window that is the rectangle. The user drags and
// sizes it over the part of the screen that matters and closes it; its outer
// geometry (the window manager's frame included) goes back into the crop or resize
// fields. The window shows its own size, and lets what lies below show through
// where a compositor makes windows translucent. The fields count the screen's own
// pixels, as captures do, whatever the scaling of the desktop.
#pragma once

#include <QRect>
#include <QWidget>
#include <functional>
#include <optional>
#include <utility>

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

  // The window's place and size on the screen, its frame included, in the pixels
  // of the screen it stands on.
  QRect outerGeometry() const;
  // The frame around the window's own area, in the same pixels.
  QMargins frameMargins() const;
  // What closing writes back: the outer geometry, or the fields' own values while
  // the window stands where it was placed.
  QRect chosenGeometry() const;
  // Whether the window stands framed at its rectangle, ready for the user.
  bool placed() const { return placed_.isValid(); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  // Arrows move the window, Ctrl+arrows size it (Shift: ten pixels at a time);
  // Return closes it as a close does, Escape closes it leaving the fields as they were.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void placeOuter(const QRect& outer, QMargins frame);
  // What the X server says, when the window is on one: Qt's own answer is in
  // logical pixels, rounded.
  std::optional<std::pair<QRect, QRect>> serverRects() const;
  // Places the window at the wanted rectangle in the X server's pixels; false
  // where there is no X server to ask.
  bool placeOnServer();

  Kind kind_;
  Options& options_;
  QRect wanted_;
  // Where the window stood once placed: closed there, it gives back the fields'
  // values untouched even where scaling rounds a pixel.
  QRect placed_;
  std::function<void()> closed_;
  bool cancelled_ = false;
};

// The window's wash and the readout on it: a pale highlight on a light theme, a
// deep one on a dark theme, and text that reads on it.
struct ReadoutColours {
  QColor fill, text;
};
ReadoutColours readoutColours(const QPalette& palette);

// The "Choose Area" links of the crop and resize groups.
void chooseCropArea(Options& options, const Texts& texts, QWidget* parent);
void chooseResizeArea(Options& options, const Texts& texts, QWidget* parent);

}  // namespace snaprill
