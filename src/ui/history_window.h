// The History window (File and tray menus "Find a capture…", Ctrl+F in the main
// window): one search box over the words in the pictures, their windows, their
// applications and file names, with date words; the matching captures newest first
// as thumbnails with their date, application and the matching words in bold; and
// what can be done with them: open, show in their folder, copy (a copy that is not
// captured again), delete (undone for as long as the program runs), and a gallery
// page of the results. The index is searched on the window's own read-only
// connection while the window shows; nothing of it runs while it is hidden.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <vector>

#include "history/capture_index.h"
#include "ui/session.h"
#include "ui/ui_texts.h"

namespace snaprill {

class HistoryKeeper;

class HistoryWindow : public QWidget {
  Q_OBJECT

 public:
  HistoryWindow(Session& session, HistoryKeeper& keeper, QWidget* parent = nullptr);
  ~HistoryWindow() override;

  // Shows the window (raised, the search box focused) and searches.
  void showAndSearch();
  void applyTexts() { texts_.applyAll(); }

  // The captures shown, newest first (for tests).
  const std::vector<FoundCapture>& results() const { return found_; }
  void setSearchText(const QString& text);
  // The commands on the selected capture.
  void openSelected();
  void showSelectedInFolder();
  void copySelected();
  void deleteSelected();
  void undoDelete();
  void galleryOfResults();

 protected:
  void hideEvent(QHideEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void search();
  void showResults();
  void loadNextThumbnail();
  void selectionChanged();
  void showNote(const QString& text);
  const FoundCapture* selected() const;
  bool openIndex();

  Session& session_;
  HistoryKeeper& keeper_;
  UiTexts texts_;
  QLineEdit* searchField_ = nullptr;
  QListWidget* list_ = nullptr;
  QLabel* note_ = nullptr;
  QPushButton* openButton_ = nullptr;
  QPushButton* folderButton_ = nullptr;
  QPushButton* copyButton_ = nullptr;
  QPushButton* deleteButton_ = nullptr;
  QPushButton* undoButton_ = nullptr;
  QPushButton* galleryButton_ = nullptr;
  // Armed only while the user types, and while thumbnails are still to be made.
  QTimer searchDelay_;
  QTimer thumbnailTimer_;
  std::unique_ptr<CaptureIndex> index_;
  std::vector<FoundCapture> found_;
  std::size_t nextThumbnail_ = 0;
  struct Deleted {
    StoredCapture capture;
    std::string bytes;
  };
  std::vector<Deleted> deleted_;
  bool noTextToldOnce_ = false;
};

// The excerpt with its matching words in bold, as rich text (the rest escaped).
QString excerptAsRichText(const std::string& excerpt);

}  // namespace snaprill
