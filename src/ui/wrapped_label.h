// A label whose text wraps at the width its layout gives it and which asks for the
// height that wrapped text needs. Qt's layouts do not carry a height that depends
// on the width through the option pages' stack, so without this a long caption
// (a longer language) would be cut at the bottom.
#pragma once

#include <QLabel>

namespace snaprill {

class WrappedLabel : public QLabel {
 public:
  explicit WrappedLabel(QWidget* parent = nullptr) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    const int needed = heightForWidth(width());
    if (needed > 0 && minimumHeight() != needed) setMinimumHeight(needed);
  }
};

}  // namespace snaprill
