// A label whose text wraps at a width of a given number of average characters and
// which asks for exactly the height the wrapped text needs there. Qt's layouts do
// not carry a height that depends on the width through the option pages' stack;
// a width fixed in characters keeps the height known, so that a longer language
// gets more lines rather than a cut caption, and the window keeps one size on
// every page.
#pragma once

#include <QLabel>

namespace snaprill {

class WrappedLabel : public QLabel {
 public:
  explicit WrappedLabel(int widthInCharacters, QWidget* parent = nullptr)
      : QLabel(parent), characters_(widthInCharacters) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Minimum);
  }

  // Its width is its own, so its height is known without asking for a width: a
  // layout that asked would offer a wider cell than the label takes.
  bool hasHeightForWidth() const override { return false; }
  QSize sizeHint() const override {
    const int width = fontMetrics().averageCharWidth() * characters_;
    return {width, QLabel::heightForWidth(width)};
  }
  QSize minimumSizeHint() const override { return sizeHint(); }

 private:
  int characters_;
};

}  // namespace snaprill
