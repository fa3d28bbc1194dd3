// The desktop's own choosers that the windows open: colour, font and folder. One
// place for them, so that tests can answer in their stead.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <optional>

class QWidget;

namespace snaprill {

class DirectoryChooser;

class Choosers {
 public:
  virtual ~Choosers() = default;
  // Each gives nothing when the user cancels.
  virtual std::optional<QColor> colour(const QColor& initial, QWidget* parent);
  virtual std::optional<QFont> font(const QFont& initial, QWidget* parent);
  // The program's own directory chooser once the window has made it.
  virtual std::optional<QString> directory(const QString& initial, QWidget* parent);

  void useDirectoryChooser(DirectoryChooser* chooser) { directoryChooser_ = chooser; }

 private:
  DirectoryChooser* directoryChooser_ = nullptr;
};

}  // namespace snaprill
