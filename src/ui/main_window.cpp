#include "ui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

#include "options/page_height.h"
#include "settings/settings_file.h"
#include "ui/about_box.h"
#include "ui/directory_chooser.h"
#include "ui/guarded.h"
#include "ui/help_topics.h"
#include "ui/icons.h"
#include "ui/option_binding.h"
#include "ui/option_pages.h"
#include "ui/top_strip.h"
#include "ui/type_panel.h"
#include "ui/type_picker.h"
#include "ui/window_place.h"

namespace snaprill {

namespace {

// The option area's state is kept as the client height it had in a fixed-size
// window; the thresholds keep their meaning while the real heights follow the font.
constexpr int kTypePageLimit = 340;  // below this a type's page expands first

constexpr const char* kSettingsFilter =
    "Snaprill Autosave Settings (*.snp)|*.snp|All files (*.*)|*.*";

QString withoutAmpersands(QString caption) {
  return caption.remove(QLatin1Char('&'));
}

}  // namespace

MainWindow::MainWindow(CaptureCycle& cycle, QtTray& tray, Choosers& choosers)
    : cycle_(cycle),
      tray_(tray),
      choosers_(choosers),
      texts_(cycle.texts),
      binding_(std::make_unique<OptionBinding>(cycle.options)) {
  setObjectName(QStringLiteral("mainWindow"));
  // No minimise or maximise button: hiding goes to the tray, and the size follows
  // the option area.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setWindowIcon(applicationIcon());

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  topStrip_ = new TopStrip(cycle_, texts_, central);
  pages_ = new OptionPages(cycle_, texts_, choosers_, central);
  layout->addWidget(topStrip_);
  layout->addWidget(pages_);
  setCentralWidget(central);
  QMainWindow::layout()->setSizeConstraint(QLayout::SetFixedSize);

  statusLine_ = new QLabel(this);
  statusLine_->setObjectName(QStringLiteral("statusLine"));
  statusLine_->setTextFormat(Qt::PlainText);
  statusBar()->addWidget(statusLine_, 1);
  statusBar()->setSizeGripEnabled(false);

  typePicker_ = new TypePicker(cycle_.options, cycle_.texts, this);
  // Both live as long as the window and are shown modally when asked for.
  dirChooser_ = new DirectoryChooser(cycle_.texts, cycle_.platform.dialogs, this);
  choosers_.useDirectoryChooser(dirChooser_);
  runningFor_.start();
  aboutBox_ = new AboutBox(
      cycle_.texts, cycle_.platform.launcher, [this] { return runningFor_.elapsed(); }, this);
  connect(typePicker_, &TypePicker::typeChosen, this,
          [this] { guarded(cycle_, [this] { cycle_.outputTypeChanged(); }); });
  connect(topStrip_, &TopStrip::typePickerRequested, this, &MainWindow::openTypePicker);
  connect(topStrip_, &TopStrip::hideRequested, this, &MainWindow::hideWindow);
  connect(topStrip_, &TopStrip::helpRequested, this, &MainWindow::showAboutBox);
  connect(topStrip_, &TopStrip::advancedRequested, this, &MainWindow::toggleOptionPages);
  connect(topStrip_, &TopStrip::pauseRequested, this,
          [this] { guarded(cycle_, [this] { cycle_.togglePause(); }); });
  connect(pages_, &OptionPages::helpRequested, this, [this] { openHelpTopic(kAutoSaveTopic); });
  new HelpKeys(this, [this](int topic) { openHelpTopic(topic); });

  buildMenus();
  buildTrayMenu();
  hideTimer_.setSingleShot(true);
  hideTimer_.setInterval(1);
  connect(&hideTimer_, &QTimer::timeout, this, &MainWindow::onHideTick);

  binding_->watch(Option::clientHeight, [this] { showOptionPages(optionPagesShown()); });
  binding_->watch(Option::captureText, [this] { captureTextChanged(); });
  viewWatch_ = cycle_.view().changed.add([this] { refreshView(); });
  typeWatch_ = cycle_.view().typeChanged.add([this] { outputTypeChanged(); });
  lossWatch_ = cycle_.view().captureLost.add([this] { showLostCaptureNotice(); });
  // After the cycle's own reaction, which was added first: the pause item and the
  // captions the cycle makes are new by then.
  languageWatch_ = cycle_.texts.changed.add([this] { applyTexts(); });
  refreshView();
  showHelpAvailability();
}

MainWindow::~MainWindow() {
  // The cycle, the options and the tray outlive the window.
  cycle_.view().changed.remove(viewWatch_);
  cycle_.view().typeChanged.remove(typeWatch_);
  cycle_.view().captureLost.remove(lossWatch_);
  cycle_.texts.changed.remove(languageWatch_);
  binding_.reset();
  choosers_.useDirectoryChooser(nullptr);
  tray_.icon().setContextMenu(nullptr);
}

void MainWindow::buildMenus() {
  QMenu* fileMenu = menuBar()->addMenu(QString());
  texts_.bind(fileMenu, {"MainMenu", "File"});
  texts_.bind(fileMenu->addAction(QString(), this, &MainWindow::chooseLanguage),
              {"MainMenu", "ChooseLang"});
  texts_.bind(fileMenu->addAction(QString(), this, &MainWindow::hideWindow),
              {"MainMenu", "HideWindow"});
  fileMenu->addSeparator();
  pauseAction_ = fileMenu->addAction(QString(), this,
                                     [this] { guarded(cycle_, [this] { cycle_.togglePause(); }); });
  fileMenu->addSeparator();
  texts_.bind(fileMenu->addAction(QString(), this, &MainWindow::loadChosenSettings),
              {"MainMenu", "LoadSettings"});
  texts_.bind(fileMenu->addAction(QString(), this, &MainWindow::saveSettingsAs),
              {"MainMenu", "SaveSettings"});
  fileMenu->addSeparator();
  texts_.bind(fileMenu->addAction(QString(), this, &MainWindow::showAboutBox),
              {"MainMenu", "Help"});
  fileMenu->addSeparator();
  texts_.bind(fileMenu->addAction(QString(), this, [this] { close(); }), {"MainMenu", "Exit"});

  // One item per page, its caption a copy of the page's.
  QMenu* tabsMenu = menuBar()->addMenu(QString());
  tabsMenu->setObjectName(QStringLiteral("tabsMenu"));
  texts_.bind(tabsMenu, {"MainMenu", "Tabs"});
  for (const char* key :
       {"General", "Image", "GIF", "TIFFTGABMP", "DimAndEffects", "Automation", "Settings"}) {
    QAction* item = tabsMenu->addAction(QString());
    texts_.bind(item, {"Main", key});
    connect(item, &QAction::triggered, this, [this, item] { showMenuPage(item->text()); });
  }

  QMenu* helpMenu = menuBar()->addMenu(QString());
  texts_.bind(helpMenu, {"MainMenu", "HelpMenu"});
  texts_.bind(helpMenu->addAction(QString(), this, &MainWindow::showAboutBox),
              {"MainMenu", "BuiltInHelp"});
  helpFileAction_ = helpMenu->addAction(QString(), this, [this] { openHelpTopic(0); });
  texts_.bind(helpFileAction_, {"MainMenu", "HelpFile"});
}

void MainWindow::showHelpAvailability() {
  const bool available = !cycle_.texts.helpFile.empty();
  helpFileAction_->setVisible(available);
  if (windowFlags().testFlag(Qt::WindowContextHelpButtonHint) == available) return;
  // A change of flags hides the window; it comes back where it was.
  const bool shown = isVisible();
  setWindowFlag(Qt::WindowContextHelpButtonHint, available);
  if (shown) show();
}

void MainWindow::buildTrayMenu() {
  QAction* showWindowAction = trayMenu_.addAction(QString(), this, &MainWindow::showWindow);
  texts_.bind(showWindowAction, {"Tray", "ShowWindow"});
  trayMenu_.setDefaultAction(showWindowAction);
  trayMenu_.addSeparator();
  trayPauseAction_ = trayMenu_.addAction(
      QString(), this, [this] { guarded(cycle_, [this] { cycle_.togglePause(); }); });
  trayMenu_.addSeparator();
  QAction* trayExitAction = trayMenu_.addAction(QString(), this, &MainWindow::exitFromTray);
  texts_.bind(trayExitAction, {"Tray", "Exit"});
  tray_.icon().setContextMenu(&trayMenu_);
  connect(&tray_.icon(), &QSystemTrayIcon::activated, this, &MainWindow::trayActivated);
}

void MainWindow::applyTexts() {
  texts_.applyAll();
  typePicker_->applyTexts();
  dirChooser_->applyTexts();
  showHelpAvailability();
  refreshView();
  pages_->updateGeometry();
}

void MainWindow::refreshView() {
  const ViewState& view = cycle_.view();
  statusLine_->setText(toQString(view.statusText));
  if (!hideTimer_.isActive()) setWindowTitle(toQString(view.windowCaption));
  pauseAction_->setText(toQString(view.pauseCaption));
  trayPauseAction_->setText(toQString(view.pauseCaption));
  topStrip_->refreshView();
}

bool MainWindow::optionPagesShown() const {
  return snaprill::optionPagesShown(cycle_.options);
}

void MainWindow::showOptionPages(bool shown) {
  pages_->setEnabled(shown);
  pages_->setVisible(shown);
}

void MainWindow::toggleOptionPages() {
  const bool expanding = !optionPagesShown();
  toggleOptionPagesHeight(cycle_.options);
  if (expanding) pages_->setCurrentWidget(pages_->generalPage());
}

void MainWindow::outputTypeChanged() {
  // The cycle has set the quality bar and, for AVI, "Save animation"; the window
  // brings the type's own page forward.
  const int type = cycle_.options.value(Option::outputType);
  QWidget* page = nullptr;
  if (type == kGif || type == kAvi) page = pages_->gifPage();
  if (type == kBitmap || type == kTiff || type == kTarga) page = pages_->tiffTgaBmpPage();
  if (page) {
    if (cycle_.options.value(Option::clientHeight) < kTypePageLimit) toggleOptionPages();
    pages_->setCurrentWidget(page);
  }
  topStrip_->showType();
}

void MainWindow::showMenuPage(const QString& caption) {
  if (cycle_.options.value(Option::clientHeight) < kPagesCollapsedLimit) toggleOptionPages();
  const QString wanted = withoutAmpersands(caption);
  for (int i = 0; i < pages_->count(); ++i) {
    if (withoutAmpersands(pages_->tabText(i)) == wanted) {
      pages_->setCurrentIndex(i);
      return;
    }
  }
}

void MainWindow::openTypePicker() {
  typePicker_->open(topStrip_->typePanel(), pages_);
}

void MainWindow::loadChosenSettings() {
  const std::optional<std::string> file =
      cycle_.platform.dialogs.openFile("Snaprill", kSettingsFilter, cycle_.platform.dirs.configDir);
  if (!file) return;
  cycle_.view().windowPositionFromSettings = false;
  guarded(cycle_, [this, &file] { loadSettings(cycle_, *file, true); });
  applyTexts();
  pages_->refreshOverlayPreview();
  if (cycle_.view().windowPositionFromSettings) placeWindow();
}

void MainWindow::saveSettingsAs() {
  const std::optional<std::string> file = cycle_.platform.dialogs.saveFile(
      "Snaprill", kSettingsFilter, "snp", cycle_.platform.dirs.configDir);
  if (!file) return;
  storeWindowPlace();
  guarded(cycle_, [this, &file] { saveSettings(cycle_, *file); });
}

void MainWindow::chooseLanguage() {
  const std::optional<std::string> file =
      // Starts where the shipped languages are.
      cycle_.platform.dialogs.openFile(cycle_.texts.get("Dialogs", "ChooseLang"),
                                       "INI (*.ini)|*.ini", cycle_.platform.dirs.dataDir);
  if (!file) return;
  guarded(cycle_, [this, &file] {
    if (cycle_.languageLoad) cycle_.languageLoad(*file);
    writeLanguageFileSetting(cycle_, *file);
  });
}

void MainWindow::openHelpTopic(int topic) {
  const std::string& helpFile = cycle_.texts.helpFile;
  if (helpFile.empty()) {
    showAboutBox();
    return;
  }
  if (!QDesktopServices::openUrl(helpTopicUrl(helpFile, topic))) {
    cycle_.platform.dialogs.errorBox(
        replaceIgnoringCase(cycle_.texts.get("Error", "HelpNotOpened"), "%s", helpFile));
  }
}

void MainWindow::showAboutBox() {
  aboutBox_->exec();
}

void MainWindow::captureTextChanged() {
  // A word only the makers know, exactly as written, shows how long the program
  // has run.
  if (cycle_.options.text(Option::captureText) == "VUX") aboutBox_->revealUptime();
}

void MainWindow::showLostCaptureNotice() {
  // The status line already says it; hidden in the tray, a balloon is what is seen.
  if (tray_.icon().isVisible() && QSystemTrayIcon::supportsMessages()) {
    tray_.icon().showMessage(QStringLiteral("Snaprill"),
                             toQString(cycle_.view().lostCapture.notice), QSystemTrayIcon::Warning);
  }
}

}  // namespace snaprill
