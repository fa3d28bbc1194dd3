#include "ui/directory_chooser.h"

#include <sys/stat.h>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

#include "platform/program_dir.h"
#include "ui/link_label.h"

namespace snaprill {

namespace {

QString fromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool isInside(const QString& path, const QString& place) {
  return place == QLatin1String("/") || path == place || path.startsWith(place + QLatin1Char('/'));
}

std::optional<std::string> askWithInputDialog(QWidget* parent, const QString& title,
                                              const QString& prompt, const std::string& initial) {
  bool ok = false;
  const QString text =
      QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, fromUtf8(initial), &ok);
  if (!ok) return std::nullopt;
  return toUtf8(text);
}

}  // namespace

DirectoryChooser::DirectoryChooser(const Texts& texts, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), texts_(texts), dialogs_(dialogs) {
  setObjectName(QStringLiteral("directoryChooser"));
  // A dialog border with only the close button.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  askName = [this](const QString& title, const QString& prompt, const std::string& initial) {
    return askWithInputDialog(this, title, prompt, initial);
  };

  auto* chooseDirLabel = new QLabel(this);
  texts_.bind(chooseDirLabel, {"Directory", "ChooseDir"});
  driveList_ = new QComboBox(this);
  driveList_->setObjectName(QStringLiteral("driveList"));
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  model_->setRootPath(QStringLiteral("/"));
  dirTree_ = new QTreeView(this);
  dirTree_->setObjectName(QStringLiteral("dirTree"));
  dirTree_->setModel(model_);
  dirTree_->setHeaderHidden(true);
  for (int column = 1; column < model_->columnCount(); ++column) dirTree_->hideColumn(column);
  dirTree_->setMinimumSize(233, 161);
  auto* newDirLink = new LinkLabel(this);
  newDirLink->setObjectName(QStringLiteral("newDirLink"));
  texts_.bind(newDirLink, {"Directory", "NewDir"});
  okButton_ = new QPushButton(this);
  okButton_->setObjectName(QStringLiteral("okButton"));
  okButton_->setDefault(true);
  texts_.bind(okButton_, {"Directory", "OK"});
  auto* cancelButton = new QPushButton(this);
  cancelButton->setObjectName(QStringLiteral("cancelButton"));
  texts_.bind(cancelButton, {"Directory", "Cancel"});
  texts_.bind({"Directory", "Caption"}, [this](const QString& text) { setWindowTitle(text); });
  chooseDirLabel->setBuddy(driveList_);
  texts_.bindAccessibleName(driveList_, {{"Directory", "ChooseDir"}});
  // The tree's selection is the folder the chooser gives back.
  texts_.bindAccessibleName(dirTree_, {{"OutputDir", "CurrentDir"}});

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(newDirLink);
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(chooseDirLabel);
  layout->addWidget(driveList_);
  layout->addWidget(dirTree_, 1);
  layout->addLayout(buttons);

  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(newDirLink, &LinkLabel::clicked, this, &DirectoryChooser::createDir);
  connect(driveList_, &QComboBox::activated, this, &DirectoryChooser::placeChosen);
  connect(dirTree_, &QTreeView::activated, this, &QDialog::accept);
  fillPlaces();
}

void DirectoryChooser::fillPlaces() {
  const auto add = [this](const QString& name, const QString& path) {
    if (path.isEmpty() || !QDir(path).exists() || driveList_->findData(path) >= 0) return;
    driveList_->addItem(name == path ? path : name + QStringLiteral("  (") + path + ')', path);
  };
  add(QStringLiteral("Home"), QDir::homePath());
  add(QStringLiteral("Pictures"),
      QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
  add(QStringLiteral("/"), QStringLiteral("/"));
  // Volumes of real devices; the kernel's own file systems hold no pictures.
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (!volume.isValid() || !volume.isReady() || volume.rootPath() == QLatin1String("/")) {
      continue;
    }
    if (!volume.device().startsWith("/dev/")) continue;
    const QString name = volume.displayName();
    add(name.isEmpty() ? volume.rootPath() : name, volume.rootPath());
  }
}

void DirectoryChooser::placeChosen(int index) {
  const QString place = driveList_->itemData(index).toString();
  dirTree_->setRootIndex(model_->index(place));
  dirTree_->setCurrentIndex(model_->index(place));
}

std::string DirectoryChooser::selectedDir() const {
  const QModelIndex current = dirTree_->currentIndex();
  if (!current.isValid()) return toUtf8(driveList_->currentData().toString());
  return toUtf8(model_->filePath(current));
}

void DirectoryChooser::selectDir(const std::string& path) {
  const QString wanted = QDir::cleanPath(fromUtf8(path));
  // The place that holds the folder most closely.
  int best = -1;
  for (int i = 0; i < driveList_->count(); ++i) {
    const QString place = driveList_->itemData(i).toString();
    if (isInside(wanted, place) &&
        (best < 0 || place.size() > driveList_->itemData(best).toString().size())) {
      best = i;
    }
  }
  if (best < 0) return;
  driveList_->setCurrentIndex(best);
  placeChosen(best);
  const QModelIndex index = model_->index(wanted);
  if (!index.isValid()) return;
  dirTree_->setCurrentIndex(index);
  dirTree_->scrollTo(index);
}

std::optional<std::string> DirectoryChooser::choose(const std::string& initial) {
  selectDir(isDirectory(initial) ? initial : toUtf8(QDir::homePath()));
  if (exec() != QDialog::Accepted) return std::nullopt;
  return withTrailingSlash(selectedDir());
}

void DirectoryChooser::createDir() {
  const std::optional<std::string> entered =
      askName(texts_.text({"Directory", "NewDir"}), texts_.text({"Directory", "EnterDir"}),
              withTrailingSlash(selectedDir()));
  if (!entered) return;
  // A bare name belongs in the selected folder, not in wherever the program was
  // started from.
  std::string path = *entered;
  if (!path.empty() && path.front() != '/') path = withTrailingSlash(selectedDir()) + path;
  // Exactly one level: a missing parent is an error, not something to make too.
  if (path.empty() || ::mkdir(path.c_str(), 0777) != 0) {
    dialogs_.errorBox(toUtf8(texts_.text({"Directory", "DirError"})));
    return;
  }
  selectDir(path);
  dialogs_.messageBox(toUtf8(texts_.text({"Directory", "DirCreated"})));
  // The new folder is selected: Return now takes it, rather than asking for another.
  okButton_->setFocus();
}

}  // namespace snaprill
