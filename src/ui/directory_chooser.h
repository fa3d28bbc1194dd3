// The output folder's chooser: the places a Linux user keeps pictures in (home, the
// pictures folder, the root, mounted volumes), each opening a folder tree; a new
// folder can be made on the spot. Made once with the main window and shown
// modally whenever the output folder is chosen.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "platform/services.h"
#include "ui/ui_texts.h"

class QComboBox;
class QFileSystemModel;
class QPushButton;
class QTreeView;

namespace snaprill {

class DirectoryChooser : public QDialog {
  Q_OBJECT

 public:
  DirectoryChooser(const Texts& texts, Dialogs& dialogs, QWidget* parent = nullptr);

  // Every caption again, after a language file was applied.
  void applyTexts() { texts_.applyAll(); }

  // Shows the chooser on initial (or the home folder when that is gone) and waits:
  // the chosen folder, ending in "/", or nothing when cancelled or closed.
  std::optional<std::string> choose(const std::string& initial);

  // The folder selected in the tree, without a trailing "/" (except the root).
  std::string selectedDir() const;
  // Opens the place that holds path and selects path in its tree.
  void selectDir(const std::string& path);

  // "New Directory": asks for a path (starting from the selected folder), creates
  // exactly that one folder, moves there and says so; or says that it failed.
  void createDir();

  // The name prompt, replaceable by tests: title, prompt, initial text; nothing
  // when cancelled.
  std::function<std::optional<std::string>(const QString&, const QString&, const std::string&)>
      askName;

 private:
  void fillPlaces();
  void placeChosen(int index);

  UiTexts texts_;
  Dialogs& dialogs_;
  QComboBox* driveList_ = nullptr;
  QTreeView* dirTree_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QFileSystemModel* model_ = nullptr;
};

}  // namespace snaprill
