// The option-file field of an auto-save row: shows the path of the settings file
// the row's hotkey switches to. It is filled only through the file dialog: a
// release of the left button asks for a file, any other button empties it; typed
// characters and the context menu are refused.
#pragma once

#include <QLineEdit>

namespace snaprill {

class OptionFileField : public QLineEdit {
  Q_OBJECT

 public:
  explicit OptionFileField(QWidget* parent = nullptr);

 signals:
  void chooseRequested();
  void clearRequested();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace snaprill
