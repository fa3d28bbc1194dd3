#include "ui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenuBar>
#include <QStatusBar>
#include <QVBoxLayout>

#include "platform/program_dir.h"

namespace snaprill {

namespace {

QString fromUtf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

TForm1::TForm1(CaptureEngine& engine, QtTray& tray) : engine_(engine), tray_(tray) {
  setWindowTitle(QStringLiteral("Snaprill"));
  setWindowIcon(applicationIcon());

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  snaprillpaused_ = new QLabel(central);
  snaprillpaused_->setAlignment(Qt::AlignCenter);
  snaprillpaused_->setTextFormat(Qt::RichText);
  snaprillpaused_->setVisible(false);
  connect(snaprillpaused_, &QLabel::linkActivated, this,
          [this] { guarded([this] { engine_.PauseSnaprill1Click(); }); });
  layout->addWidget(snaprillpaused_);
  setCentralWidget(central);

  SB_ = new QLabel(this);
  statusBar()->addWidget(SB_, 1);
  statusBar()->setSizeGripEnabled(false);

  buildMenus();
  engine_.viewChanged = [this] { refreshView(); };
  refreshView();
  resize(540, 99 + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
}

TForm1::~TForm1() {
  // The engine and the tray outlive the window.
  engine_.viewChanged = nullptr;
  tray_.icon().setContextMenu(nullptr);
}

void TForm1::buildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->addAction(QStringLiteral("Hide &Window"), this, [this] { hideToTray(); });
  file->addSeparator();
  PauseSnaprill2_ = file->addAction(QString(), this,
                                    [this] { guarded([this] { engine_.PauseSnaprill1Click(); }); });
  file->addSeparator();
  file->addAction(QStringLiteral("&Exit"), this, [this] { close(); });

  QAction* show = mnu_.addAction(QStringLiteral("&Show Window"), this, [this] { showFromTray(); });
  mnu_.setDefaultAction(show);
  mnu_.addSeparator();
  PauseSnaprill1_ = mnu_.addAction(QString(), this,
                                   [this] { guarded([this] { engine_.PauseSnaprill1Click(); }); });
  mnu_.addSeparator();
  mnu_.addAction(QStringLiteral("&Exit"), this, [this] {
    guarded([this] {
      tray_.notify(TrayOperation::Delete, engine_.trayRecord);
      engine_.trayIconPresent = false;
    });
    closeProgram();
  });
  tray_.icon().setContextMenu(&mnu_);
  connect(&tray_.icon(), &QSystemTrayIcon::activated, this, &TForm1::trayActivated);
}

void TForm1::refreshView() {
  SB_->setText(fromUtf8(engine_.statusText));
  setWindowTitle(fromUtf8(engine_.windowCaption));
  PauseSnaprill1_->setText(fromUtf8(engine_.pauseCaption));
  PauseSnaprill2_->setText(fromUtf8(engine_.pauseCaption));
  snaprillpaused_->setText(
      QStringLiteral("<a href=\"#\" style=\"color: palette(text); "
                     "font-weight: bold;\">%1</a>")
          .arg(fromUtf8(engine_.texts.get("Main", "SnaprillPaused")).toHtmlEscaped()));
  snaprillpaused_->setVisible(engine_.pausedLabelVisible);
}

void TForm1::fixOutputDirectory() {
  // The directory ends with a separator, and one that does not exist (any more)
  // gives way to the default.
  std::string dir = withTrailingSlash(engine_.options.text(Option::outputDir));
  if (!isDirectory(dir)) dir = engine_.platform.dirs.defaultOutput;
  engine_.options.setText(Option::outputDir, dir);
}

void TForm1::startUp(bool hideSwitch) {
  guarded([this] {
    if (engine_.loadSettings) engine_.loadSettings(engine_.mainSettingsFile(), true);
  });
  guarded([this] {
    fixOutputDirectory();
    engine_.finishStartup();
    if (engine_.options.checked(Option::trayIconAlways)) {
      tray_.notify(TrayOperation::Add, engine_.trayRecord);
      engine_.trayIconPresent = true;
    }
  });
  // Started hidden the window is never shown at all, rather than shown and hidden
  // again a moment later: nothing flashes on the screen.
  if (hideSwitch) {
    hideToTray();
  } else {
    show();
  }
}

void TForm1::hideToTray() {
  guarded([this] {
    tray_.notify(engine_.options.checked(Option::trayIconAlways) ? TrayOperation::Modify
                                                                 : TrayOperation::Add,
                 engine_.trayRecord);
    engine_.trayIconPresent = true;
  });
  hide();
}

void TForm1::showFromTray() {
  show();
  raise();
  activateWindow();
  guarded([this] {
    if (!engine_.options.checked(Option::trayIconAlways)) {
      tray_.notify(TrayOperation::Delete, engine_.trayRecord);
      engine_.trayIconPresent = false;
    }
  });
}

void TForm1::trayActivated(QSystemTrayIcon::ActivationReason reason) {
  if (reason != QSystemTrayIcon::DoubleClick) return;
  if (isVisible()) {
    hideToTray();
  } else {
    showFromTray();
  }
}

void TForm1::closeProgram() {
  if (closing_) return;
  closing_ = true;
  guarded([this] { engine_.FormCloseQuery(); });
  QCoreApplication::quit();
}

void TForm1::closeEvent(QCloseEvent* event) {
  closeProgram();
  event->accept();
}

}  // namespace snaprill
