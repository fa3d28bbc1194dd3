#include "ui/history_window.h"

#include <unistd.h>
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QImageReader>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QVBoxLayout>

#include <chrono>
#include <filesystem>

#include "backends/qt/clipboard_offer.h"
#include "backends/qt/qimage_bitmap.h"
#include "base/text.h"
#include "formats/loader/picture_loader.h"
#include "gallery/gallery_page.h"
#include "io/atomic_file.h"
#include "ui/guarded.h"
#include "ui/history_keeper.h"
#include "ui/icons.h"

namespace snaprill {

namespace {

constexpr int kThumbnailWidth = 160;
constexpr int kThumbnailHeight = 100;
// A first screen of results and well beyond; a search narrows the rest.
constexpr int kMostResults = 300;
constexpr int kTypingPause = 150;  // milliseconds after the last key before a search
// A deleted capture's bytes are kept for Undo up to this much in all; the oldest
// deletes go past it.
constexpr std::size_t kMostUndoBytes = std::size_t{256} << 20;
constexpr int kRichTextRole = Qt::UserRole + 1;

// Draws a result's rich text (its matching words in bold) beside its thumbnail.
class ResultDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem plain = option;
    initStyleOption(&plain, index);
    plain.text.clear();
    plain.widget->style()->drawControl(QStyle::CE_ItemViewItem, &plain, painter, plain.widget);
    const QRect textArea =
        plain.widget->style()->subElementRect(QStyle::SE_ItemViewItemText, &plain, plain.widget);
    QTextDocument document;
    document.setDefaultFont(option.font);
    document.setHtml(index.data(kRichTextRole).toString());
    document.setTextWidth(textArea.width());
    painter->save();
    painter->translate(textArea.topLeft());
    painter->setClipRect(QRect(QPoint(), textArea.size()));
    QPalette palette = option.palette;
    const bool selected = option.state & QStyle::State_Selected;
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text,
                             palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    document.documentLayout()->draw(painter, context);
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const int lines = 4;
    size.setHeight(std::max(size.height(), option.fontMetrics.lineSpacing() * lines + 8));
    size.setHeight(std::max(size.height(), kThumbnailHeight + 8));
    return size;
  }
};

QString dateOf(std::int64_t taken) {
  return QLocale().toString(QDateTime::fromSecsSinceEpoch(taken), QLocale::ShortFormat);
}

// The thumbnail of a picture file: Qt's readers where they know the type (a JPEG is
// decoded at the small size directly), else our own loader.
QPixmap thumbnailOf(const std::string& path, qreal pixelRatio) {
  // Sharp on a screen of 200 %: made at the screen's pixels.
  const int width = static_cast<int>(kThumbnailWidth * pixelRatio);
  const int height = static_cast<int>(kThumbnailHeight * pixelRatio);
  QImageReader reader(QString::fromStdString(path));
  QImage image;
  if (reader.canRead()) {
    const QSize size = reader.size();
    if (size.isValid()) reader.setScaledSize(size.scaled(width, height, Qt::KeepAspectRatio));
    image = reader.read();
  }
  if (image.isNull()) {
    try {
      image = qimageFromBitmap(loadPictureFile(path));
    } catch (const std::exception&) {
      return {};
    }
  }
  return QPixmap::fromImage(image.scaled(kThumbnailWidth, kThumbnailHeight, Qt::KeepAspectRatio,
                                         Qt::SmoothTransformation));
}

std::int64_t secondsNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

QString excerptAsRichText(const std::string& excerpt) {
  QString html;
  std::string plain;
  const auto flush = [&] {
    html += QString::fromStdString(plain).toHtmlEscaped();
    plain.clear();
  };
  for (const char c : excerpt) {
    if (c == kMatchStart || c == kMatchEnd) {
      flush();
      html += c == kMatchStart ? QStringLiteral("<b>") : QStringLiteral("</b>");
    } else {
      plain += c;
    }
  }
  flush();
  return html;
}

HistoryWindow::HistoryWindow(Session& session, HistoryKeeper& keeper, QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), keeper_(keeper), texts_(session.texts) {
  setObjectName(QStringLiteral("historyWindow"));
  setWindowIcon(applicationIcon());
  texts_.bind({"History", "Caption"}, [this](const QString& text) { setWindowTitle(text); });

  auto* searchLabel = new QLabel(this);
  texts_.bind(searchLabel, {"History", "Search"});
  searchField_ = new QLineEdit(this);
  searchField_->setObjectName(QStringLiteral("historySearch"));
  searchField_->setClearButtonEnabled(true);
  searchLabel->setBuddy(searchField_);
  texts_.bind({"History", "SearchHint"}, [this](const QString& text) {
    searchField_->setPlaceholderText(text);
    searchField_->setToolTip(text);
  });
  texts_.bindAccessibleName(searchField_, {{"History", "Search"}});

  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("historyResults"));
  list_->setIconSize(QSize(kThumbnailWidth, kThumbnailHeight));
  list_->setItemDelegate(new ResultDelegate(list_));
  list_->setUniformItemSizes(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  texts_.bindAccessibleName(list_, {{"History", "Caption"}});

  note_ = new QLabel(this);
  note_->setObjectName(QStringLiteral("historyNote"));
  note_->setWordWrap(true);
  note_->setTextFormat(Qt::PlainText);

  const auto button = [this](TextKey caption, const char* name, void (HistoryWindow::*slot)()) {
    auto* b = new QPushButton(this);
    b->setObjectName(QLatin1String(name));
    texts_.bind(b, caption);
    connect(b, &QPushButton::clicked, this,
            [this, slot] { guarded(session_.reports, [&] { (this->*slot)(); }); });
    return b;
  };
  openButton_ = button({"History", "Open"}, "historyOpen", &HistoryWindow::openSelected);
  folderButton_ = button({"History", "ShowInFolder"}, "historyShowInFolder",
                         &HistoryWindow::showSelectedInFolder);
  copyButton_ = button({"History", "Copy"}, "historyCopy", &HistoryWindow::copySelected);
  deleteButton_ = button({"History", "Delete"}, "historyDelete", &HistoryWindow::deleteSelected);
  undoButton_ = button({"History", "Undo"}, "historyUndo", &HistoryWindow::undoDelete);
  galleryButton_ =
      button({"History", "Gallery"}, "historyGallery", &HistoryWindow::galleryOfResults);

  auto* top = new QHBoxLayout;
  top->addWidget(searchLabel);
  top->addWidget(searchField_, 1);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {openButton_, folderButton_, copyButton_, deleteButton_, undoButton_})
    buttons->addWidget(b);
  buttons->addStretch(1);
  buttons->addWidget(galleryButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(list_, 1);
  layout->addWidget(note_);
  layout->addLayout(buttons);
  resize(760, 560);

  searchDelay_.setSingleShot(true);
  searchDelay_.setInterval(kTypingPause);
  connect(&searchDelay_, &QTimer::timeout, this, &HistoryWindow::search);
  connect(searchField_, &QLineEdit::textChanged, this, [this] { searchDelay_.start(); });
  connect(searchField_, &QLineEdit::returnPressed, this, [this] {
    searchDelay_.stop();
    search();
    if (list_->count() > 0) {
      list_->setCurrentRow(0);
      list_->setFocus();
    }
  });
  thumbnailTimer_.setInterval(0);
  connect(&thumbnailTimer_, &QTimer::timeout, this, &HistoryWindow::loadNextThumbnail);
  connect(list_, &QListWidget::itemSelectionChanged, this, &HistoryWindow::selectionChanged);
  connect(list_, &QListWidget::itemActivated, this, [this] { openSelected(); });
  new QShortcut(
      QKeySequence::Copy, list_, [this] { copySelected(); }, Qt::WidgetShortcut);
  new QShortcut(
      QKeySequence::Delete, list_, [this] { deleteSelected(); }, Qt::WidgetShortcut);
  new QShortcut(QKeySequence::Undo, this, [this] { undoDelete(); });
  new QShortcut(QKeySequence::Find, this, [this] {
    searchField_->setFocus();
    searchField_->selectAll();
  });
  selectionChanged();
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::showAndSearch() {
  show();
  raise();
  activateWindow();
  searchField_->setFocus();
  searchField_->selectAll();
  search();
}

void HistoryWindow::setSearchText(const QString& text) {
  searchField_->setText(text);
  searchDelay_.stop();
  search();
}

void HistoryWindow::hideEvent(QHideEvent* event) {
  // Nothing of the index stays open while the window is away.
  searchDelay_.stop();
  thumbnailTimer_.stop();
  index_.reset();
  list_->clear();
  found_.clear();
  QWidget::hideEvent(event);
}

void HistoryWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

bool HistoryWindow::openIndex() {
  if (index_) return true;
  if (!session_.options.checked(Option::historyEnabled)) {
    showNote(texts_.text({"History", "Off"}));
    return false;
  }
  // The keeper makes the index at the start; a moment later it is there. Waited for
  // only then: the writer may be busy with a long scan.
  CaptureHistory* history = keeper_.history();
  if (history && ::access(keeper_.indexPath().c_str(), F_OK) != 0) history->flush();
  try {
    index_ = CaptureIndex::open(keeper_.indexPath(), false);
  } catch (const IndexError& e) {
    showNote(texts_.text({"History", "Unavailable"})
                 .replace(QLatin1String("%s"), QString::fromStdString(e.what())));
    return false;
  }
  return true;
}

void HistoryWindow::search() {
  found_.clear();
  if (openIndex()) {
    const SearchQuery query = parseSearch(toUtf8(searchField_->text()), secondsNow());
    try {
      for (FoundCapture& f : index_->search(query, kMostResults)) {
        // Deleted, moved or renamed outside Snaprill: not a result any more.
        if (::access(f.path.c_str(), F_OK) == 0) found_.push_back(std::move(f));
      }
    } catch (const IndexError& e) {
      showNote(QString::fromStdString(e.what()));
    }
  }
  showResults();
}

void HistoryWindow::showResults() {
  list_->clear();
  for (const FoundCapture& f : found_) {
    const QString date = dateOf(f.taken);
    const QString application = QString::fromStdString(f.application);
    const QString title = QString::fromStdString(f.title);
    const QString name = QString::fromStdString(fileNameOf(f.path));
    QString rich = QStringLiteral("<b>%1</b>").arg(date.toHtmlEscaped());
    if (!application.isEmpty()) rich += QStringLiteral(" \u2014 ") + application.toHtmlEscaped();
    rich += QStringLiteral("<br>") + name.toHtmlEscaped();
    if (!title.isEmpty()) rich += QStringLiteral(" \u2014 ") + title.toHtmlEscaped();
    if (!f.excerpt.empty()) rich += QStringLiteral("<br>") + excerptAsRichText(f.excerpt);
    // What a screen reader says: the same, in plain words.
    QString plain = date;
    for (const QString& part : {application, name, title}) {
      if (!part.isEmpty()) plain += QStringLiteral(", ") + part;
    }
    if (!f.excerpt.empty()) {
      std::string words = f.excerpt;
      std::erase(words, kMatchStart);
      std::erase(words, kMatchEnd);
      plain += QStringLiteral(": ") + QString::fromStdString(words);
    }
    auto* item = new QListWidgetItem(plain, list_);
    item->setData(kRichTextRole, rich);
    item->setToolTip(QString::fromStdString(f.path));
  }
  nextThumbnail_ = 0;
  if (!found_.empty()) thumbnailTimer_.start();
  QString note = found_.empty() ? texts_.text({"History", "NoMatch"})
                                : texts_.text({"History", "Count"})
                                      .replace(QLatin1String("%n"), QString::number(found_.size()));
  // Once per run: the words of the pictures cannot be searched without the reader.
  const CaptureHistory* history = keeper_.history();
  if (!noTextToldOnce_ && history && history->textEngine() == CaptureHistory::TextEngine::Missing) {
    noTextToldOnce_ = true;
    note += QLatin1Char(' ') + texts_.text({"History", "NoText"});
  }
  showNote(note);
  selectionChanged();
}

void HistoryWindow::showNote(const QString& text) {
  note_->setText(text);
}

void HistoryWindow::loadNextThumbnail() {
  // One picture per turn of the event loop: typing and scrolling stay smooth.
  if (nextThumbnail_ >= found_.size() ||
      nextThumbnail_ >= static_cast<std::size_t>(list_->count())) {
    thumbnailTimer_.stop();
    return;
  }
  const std::size_t i = nextThumbnail_++;
  list_->item(static_cast<int>(i))
      ->setIcon(QIcon(thumbnailOf(found_[i].path, list_->devicePixelRatioF())));
}

const FoundCapture* HistoryWindow::selected() const {
  const int row = list_->currentRow();
  if (row < 0 || static_cast<std::size_t>(row) >= found_.size() || !list_->currentItem() ||
      !list_->currentItem()->isSelected())
    return nullptr;
  return &found_[static_cast<std::size_t>(row)];
}

void HistoryWindow::selectionChanged() {
  const bool any = selected() != nullptr;
  for (QPushButton* b : {openButton_, folderButton_, copyButton_, deleteButton_})
    b->setEnabled(any);
  // Shown only while there is something to undo.
  undoButton_->setVisible(!deleted_.empty());
  galleryButton_->setEnabled(!found_.empty());
}

void HistoryWindow::openSelected() {
  if (const FoundCapture* f = selected())
    session_.services.launcher.start("xdg-open", {f->path}, folderOf(f->path));
}

void HistoryWindow::showSelectedInFolder() {
  if (const FoundCapture* f = selected())
    session_.services.launcher.start("xdg-open", {folderOf(f->path)}, folderOf(f->path));
}

void HistoryWindow::copySelected() {
  const FoundCapture* f = selected();
  if (!f) return;
  QImage image(QString::fromStdString(f->path));
  if (image.isNull()) {
    try {
      image = qimageFromBitmap(loadPictureFile(f->path));
    } catch (const std::exception&) {
      return;
    }
  }
  auto* copy = new QMimeData;
  copy->setImageData(image);
  // Our own clipboard watcher (and any other Snaprill's) passes this copy over.
  copy->setData(kNotACaptureType, QByteArrayLiteral("1"));
  QApplication::clipboard()->setMimeData(copy, QClipboard::Clipboard);
}

void HistoryWindow::deleteSelected() {
  const FoundCapture* f = selected();
  CaptureHistory* history = keeper_.history();
  if (!f || !history) return;
  const std::string path = f->path;
  Deleted deleted;
  try {
    deleted.bytes = readWholeFile(path, kMostUndoBytes);
    history->withIndex([&](CaptureIndex& index) {
      if (auto stored = index.find(path)) deleted.capture = *stored;
    });
  } catch (const std::exception&) {
    // Too large (or unreadable) to be kept for Undo: deleted without it.
    deleted.bytes.clear();
  }
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
    showNote(texts_.text({"History", "NotDeleted"})
                 .replace(QLatin1String("%s"), QString::fromStdString(path)));
    return;
  }
  history->remove(path);
  if (!deleted.bytes.empty() && !deleted.capture.entry.path.empty()) {
    deleted_.push_back(std::move(deleted));
    std::size_t kept = 0;
    for (auto it = deleted_.rbegin(); it != deleted_.rend(); ++it) {
      kept += it->bytes.size();
      if (kept > kMostUndoBytes) {
        deleted_.erase(deleted_.begin(), it.base());
        break;
      }
    }
  }
  const int row = list_->currentRow();
  found_.erase(found_.begin() + row);
  delete list_->takeItem(row);
  showNote(texts_.text({"History", "Deleted"})
               .replace(QLatin1String("%s"), QString::fromStdString(path)));
  selectionChanged();
}

void HistoryWindow::undoDelete() {
  CaptureHistory* history = keeper_.history();
  if (deleted_.empty() || !history) return;
  Deleted last = std::move(deleted_.back());
  deleted_.pop_back();
  const std::string& path = last.capture.entry.path;
  writeFileAtomically(path, last.bytes.data(), last.bytes.size());
  history->withIndex([&](CaptureIndex& index) { index.restore(last.capture); });
  search();
}

void HistoryWindow::galleryOfResults() {
  if (found_.empty()) return;
  const std::string start = folderOf(found_.front().path);
  const std::optional<std::string> chosen = session_.services.dialogs.saveFile(
      session_.texts.get("Dialogs", "SaveGallery"), "HTML (*.html)|*.html", "html", start);
  if (!chosen) return;
  const std::string page = galleryFileName(*chosen);
  const std::filesystem::path pageFolder = std::filesystem::path(page).parent_path();
  std::vector<std::string> paths;
  for (const FoundCapture& f : found_)
    paths.push_back(std::filesystem::path(f.path).lexically_relative(pageFolder).string());
  GallerySettings settings = gallerySettingsFrom(session_.options);
  settings.pathsAsGiven = true;
  writeGalleryPage(page, buildGalleryPage(paths, settings, session_.texts.get("Gallery", "Gallery"),
                                          galleryCreditLine()));
}

}  // namespace snaprill
