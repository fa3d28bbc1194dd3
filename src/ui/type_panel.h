// The image-type panel of the main window: a sunken field with the current type's
// name and an arrow at its right end. A mouse press on it (or Space, Return or
// Alt+Down while it has the focus) asks for the type picker.
#pragma once

#include <QFrame>

class QLabel;

namespace snaprill {

class TypePanel : public QFrame {
  Q_OBJECT

 public:
  explicit TypePanel(QWidget* parent = nullptr);

  void setTypeName(const QString& name);
  QString typeName() const;
  // Wide enough for every one of these names, so that the strip keeps its shape
  // when the type changes.
  void setWidestNames(const QStringList& names);
  // The type picker this panel opens: assistive technology finds it below the panel,
  // as it finds a combo box's list.
  void setPopup(QWidget* popup);
  QWidget* popup() const { return popup_; }

 signals:
  void pressed();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* popup_ = nullptr;
  QLabel* name_;
  QWidget* typeArrow_;
};

}  // namespace snaprill
