// A label that acts as a link or a command: underlined, in the link colour, with a
// pointing hand; a click (or Space and Return while it has the focus) emits clicked.
// Assistive technology sees a link with a press action (accessible_widgets.h).
#pragma once

#include <QLabel>

namespace snaprill {

class LinkLabel : public QLabel {
  Q_OBJECT

 public:
  explicit LinkLabel(QWidget* parent = nullptr);

  // What a click does, for the keyboard and assistive technology alike.
  void activate();

  // A link that shows and hides a part of the window says which it is now.
  void setExpanded(bool expanded);
  bool expandable() const { return expandable_; }
  bool expanded() const { return expanded_; }

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  bool expandable_ = false;
  bool expanded_ = false;
};

}  // namespace snaprill
