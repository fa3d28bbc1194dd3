// The automation's Start/Stop link. It keeps its right edge 13 pixels from the right
// of the space it is given, so that it stays put when its text changes between Start
// and Stop (and their translations).
#pragma once

#include <QLabel>
#include <QWidget>

#include "triggers/automation.h"

namespace snaprill {

class AutomationLink : public QWidget {
  Q_OBJECT

 public:
  AutomationLink(Automation& automation, QWidget* parent = nullptr);
  ~AutomationLink() override;

  // The text shown now ("Start" or "Stop" in English).
  QString text() const { return link_->text(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void refresh();

  Automation& automation_;
  QLabel* link_;
  Callbacks::Id watch_ = 0;
};

}  // namespace snaprill
