// A label that acts as a link or a command: underlined, in the link colour, with a
// pointing hand; a click (or Space and Return while it has the focus) emits clicked.
#pragma once

#include <QLabel>

namespace snaprill {

class LinkLabel : public QLabel {
  Q_OBJECT

 public:
  explicit LinkLabel(QWidget* parent = nullptr);

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace snaprill
