// The image-type picker: a borderless, always-on-top pop-up under the type panel
// that unrolls downwards in steps of 10 pixels every 10 ms, offers the output types
// this build writes as rows with the current one highlighted, and rolls up again when a type is
// chosen or the user clicks anywhere else. A close request while it stands open or
// unrolls is refused once: the window rolls up first and then closes for good.
#pragma once

#include <QTimer>
#include <QWidget>
#include <array>

#include "options/options.h"
#include "options/output_types.h"
#include "options/texts.h"

class QLabel;

namespace snaprill {

class TypePicker : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kRowCount = kOfferedOutputTypeCount;
  static constexpr int kRowPitch = 24;
  // The rows with 3 pixels above the first and below the last: 290 for twelve.
  static constexpr int kFullHeight = kRowCount * kRowPitch + 2;
  static constexpr int kRollStep = 10;
  static constexpr int kRollInterval = 10;  // milliseconds

  TypePicker(Options& options, const Texts& texts, QWidget* parent = nullptr);

  // Opens under anchor's lower left corner, unless the picker is already open or
  // still rolling up; pages stay disabled until it has closed.
  void open(QWidget* anchor, QWidget* pages);
  // The hint of every row, in the current language.
  void applyTexts();

  // One step of the unrolling or rolling up (the roll timer's tick).
  void onRollTick();
  // A click on row 1..kRowCount: the type becomes that row's, the window hears of the
  // choice (even of the type already chosen), and the picker rolls up.
  void chooseRow(int row);

  // Taller than kFullHeight where the desktop's font needs taller rows.
  int fullHeight() const;
  int rolledHeight() const { return rolledHeight_; }
  bool rollingUp() const { return rollingUp_; }
  bool rowHighlighted(int row) const { return row - 1 == highlightedRow_; }
  // The caption of row index (0 at the top), and the index of a row's caption or
  // picture, -1 for anything else: for screen readers, which see the captions.
  QLabel* rowLabel(int index) const { return rowLabels_.at(static_cast<std::size_t>(index)); }
  int rowOf(QObject* widget) const;
  QTimer& rollTimer() { return rollTimer_; }

 signals:
  void typeChosen();

 protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setRolledHeight(int height);
  void highlightRow(int index);
  void hoverRow(int index, bool entered);
  // Row pictures and label colours for the palette and the screen's pixel ratio.
  void applyColours();
  QColor labelColour(int index, bool hovered) const;
  QPalette themePalette() const;

  Options& options_;
  const Texts& texts_;
  std::array<QLabel*, kRowCount> rowImages_{};
  std::array<QLabel*, kRowCount> rowLabels_{};
  std::array<QPixmap, 2> rowBackgrounds_;  // normal, highlighted
  QTimer rollTimer_;
  bool rollingUp_ = false;
  int rolledHeight_ = 0;
  int highlightedRow_ = -1;
  int rowHeight_ = 0;
  bool applyingColours_ = false;
  QWidget* pages_ = nullptr;
};

}  // namespace snaprill
