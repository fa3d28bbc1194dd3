#include "ui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenuBar>
#include <QStatusBar>
#include <QVBoxLayout>

#include "platform/program_dir.h"
#include "settings/settings_file.h"
#include "ui/icons.h"

namespace snaprill {

namespace {

QString fromUtf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

MainWindow::MainWindow(CaptureCycle& cycle, QtTray& tray) : cycle_(cycle), tray_(tray) {
  setWindowTitle(QStringLiteral("Snaprill"));
  setWindowIcon(applicationIcon());

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  pausedNotice_ = new QLabel(central);
  pausedNotice_->setAlignment(Qt::AlignCenter);
  pausedNotice_->setTextFormat(Qt::RichText);
  pausedNotice_->setVisible(false);
  connect(pausedNotice_, &QLabel::linkActivated, this,
          [this] { guarded([this] { cycle_.togglePause(); }); });
  layout->addWidget(pausedNotice_);
  setCentralWidget(central);

  statusText_ = new QLabel(this);
  statusBar()->addWidget(statusText_, 1);
  statusBar()->setSizeGripEnabled(false);

  buildMenus();
  viewWatch_ = cycle_.view().changed.add([this] { refreshView(); });
  refreshView();
  resize(540, 99 + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
}

MainWindow::~MainWindow() {
  // The cycle and the tray outlive the window.
  cycle_.view().changed.remove(viewWatch_);
  tray_.icon().setContextMenu(nullptr);
}

void MainWindow::buildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->addAction(QStringLiteral("Hide &Window"), this, [this] { hideToTray(); });
  file->addSeparator();
  filePauseAction_ =
      file->addAction(QString(), this, [this] { guarded([this] { cycle_.togglePause(); }); });
  file->addSeparator();
  file->addAction(QStringLiteral("&Exit"), this, [this] { close(); });

  QAction* show =
      trayMenu_.addAction(QStringLiteral("&Show Window"), this, [this] { showFromTray(); });
  trayMenu_.setDefaultAction(show);
  trayMenu_.addSeparator();
  trayPauseAction_ =
      trayMenu_.addAction(QString(), this, [this] { guarded([this] { cycle_.togglePause(); }); });
  trayMenu_.addSeparator();
  trayMenu_.addAction(QStringLiteral("&Exit"), this, [this] {
    guarded([this] { cycle_.tray().remove(); });
    closeProgram();
  });
  tray_.icon().setContextMenu(&trayMenu_);
  connect(&tray_.icon(), &QSystemTrayIcon::activated, this, &MainWindow::trayActivated);
}

void MainWindow::refreshView() {
  const ViewState& view = cycle_.view();
  statusText_->setText(fromUtf8(view.statusText));
  setWindowTitle(fromUtf8(view.windowCaption));
  trayPauseAction_->setText(fromUtf8(view.pauseCaption));
  filePauseAction_->setText(fromUtf8(view.pauseCaption));
  pausedNotice_->setText(
      QStringLiteral("<a href=\"#\" style=\"color: palette(text); "
                     "font-weight: bold;\">%1</a>")
          .arg(fromUtf8(cycle_.texts.get("Main", "SnaprillPaused")).toHtmlEscaped()));
  pausedNotice_->setVisible(view.pausedNoticeVisible);
}

void MainWindow::startUp(bool hideSwitch) {
  guarded([this] {
    if (cycle_.settingsLoad) cycle_.settingsLoad(cycle_.mainSettingsFile(), true);
  });
  guarded([this] {
    settleOutputDirectory(cycle_);
    cycle_.finishStartup();
    if (cycle_.options.checked(Option::trayIconAlways)) cycle_.tray().add();
  });
  // Started hidden the window is never shown at all, rather than shown and hidden
  // again a moment later: nothing flashes on the screen.
  if (hideSwitch) {
    hideToTray();
  } else {
    show();
  }
}

void MainWindow::hideToTray() {
  guarded([this] {
    cycle_.tray().showForHiddenWindow(cycle_.options.checked(Option::trayIconAlways));
  });
  hide();
}

void MainWindow::showFromTray() {
  show();
  raise();
  activateWindow();
  guarded([this] {
    if (!cycle_.options.checked(Option::trayIconAlways)) cycle_.tray().remove();
  });
}

void MainWindow::trayActivated(QSystemTrayIcon::ActivationReason reason) {
  if (reason != QSystemTrayIcon::DoubleClick) return;
  if (isVisible()) {
    hideToTray();
  } else {
    showFromTray();
  }
}

void MainWindow::closeProgram() {
  if (closing_) return;
  closing_ = true;
  guarded([this] { cycle_.closeQuery(); });
  QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  closeProgram();
  event->accept();
}

}  // namespace snaprill
