#include "ui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QVBoxLayout>

#include "options/output_type_choice.h"
#include "options/page_height.h"
#include "ui/about_box.h"
#include "ui/browser_opener.h"
#include "ui/directory_chooser.h"
#include "ui/guarded.h"
#include "ui/help_topics.h"
#include "ui/history_keeper.h"
#include "ui/history_window.h"
#include "ui/icons.h"
#include "ui/mnemonics.h"
#include "ui/no_tray_notice.h"
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

MainWindow::MainWindow(Session& session, QtTray& tray, Choosers& choosers)
    : session_(session),
      tray_(tray),
      choosers_(choosers),
      texts_(session.texts),
      binding_(std::make_unique<OptionBinding>(session.options)) {
  setObjectName(QStringLiteral("mainWindow"));
  // No minimise or maximise button: hiding goes to the tray, and the size follows
  // the option area.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setWindowIcon(applicationIcon());

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  topStrip_ = new TopStrip(session_, texts_, central);
  pages_ = new OptionPages(session_, texts_, choosers_, central);
  layout->addWidget(topStrip_);
  layout->addWidget(pages_);
  setCentralWidget(central);
  QMainWindow::layout()->setSizeConstraint(QLayout::SetFixedSize);

  statusLine_ = new QLabel(this);
  statusLine_->setObjectName(QStringLiteral("statusLine"));
  statusLine_->setTextFormat(Qt::PlainText);
  statusBar()->addWidget(statusLine_, 1);
  statusBar()->setSizeGripEnabled(false);
  noTrayNotice_ = std::make_unique<NoTrayNotice>(*statusBar(), session_.cycle, [this] {
    return texts_.text({"Main", "NoTray"});
  });

  typePicker_ = new TypePicker(session_.options, session_.texts, this);
  topStrip_->typePanel()->setPopup(typePicker_);
  // Both live as long as the window and are shown modally when asked for.
  dirChooser_ = new DirectoryChooser(session_.texts, session_.services.dialogs, this);
  choosers_.useDirectoryChooser(dirChooser_);
  runningFor_.start();
  aboutBox_ = new AboutBox(
      session_.texts, session_.services.launcher, [this] { return runningFor_.elapsed(); }, this);
  connect(typePicker_, &TypePicker::typeChosen, this, [this] {
    chooseOutputType(session_.options, session_.options.value(Option::outputType));
    outputTypeChanged();
  });
  connect(topStrip_, &TopStrip::typePickerRequested, this, &MainWindow::openTypePicker);
  connect(topStrip_, &TopStrip::hideRequested, this, &MainWindow::hideWindow);
  connect(topStrip_, &TopStrip::helpRequested, this, &MainWindow::showAboutBox);
  connect(topStrip_, &TopStrip::advancedRequested, this, &MainWindow::toggleOptionPages);
  connect(topStrip_, &TopStrip::pauseRequested, this,
          [this] { guarded(session_.reports, [this] { session_.cycle.togglePause(); }); });
  connect(pages_, &OptionPages::helpRequested, this, [this] { openHelpTopic(kAutoSaveTopic); });
  new HelpKeys(this, [this](int topic) { openHelpTopic(topic); });

  buildMenus();
  buildTrayMenu();
  hideTimer_.setSingleShot(true);
  hideTimer_.setInterval(1);
  connect(&hideTimer_, &QTimer::timeout, this, &MainWindow::onHideTick);

  binding_->watch(Option::clientHeight, [this] { showOptionPages(optionPagesShown()); });
  binding_->watch(Option::captureText, [this] { captureTextChanged(); });
  // A new type, however it came (a choice, a settings file), brings its page forward.
  binding_->watch(Option::outputType, [this] { outputTypeChanged(); });
  statusWatch_ = session_.status.changed.add([this] { refreshView(); });
  qualityWatch_ = session_.qualityBar.changed.add([this] { refreshView(); });
  lossWatch_ = session_.status.lossNoticed.add([this] { showLostCaptureNotice(); });
  // After the status's and the quality bar's own reactions, which were added first:
  // the pause item and the captions they make are new by then.
  languageWatch_ = session_.texts.changed.add([this] { applyTexts(); });
  refreshView();
  showHelpAvailability();
  addKeyboardKeys();
}

MainWindow::~MainWindow() {
  // The session and the tray outlive the window.
  session_.status.changed.remove(statusWatch_);
  session_.qualityBar.changed.remove(qualityWatch_);
  session_.status.lossNoticed.remove(lossWatch_);
  session_.texts.changed.remove(languageWatch_);
  binding_.reset();
  choosers_.useDirectoryChooser(nullptr);
  tray_.icon().setContextMenu(nullptr);
}

void MainWindow::buildMenus() {
  QMenu* fileMenu = menuBar()->addMenu(QString());
  fileMenu_ = fileMenu;
  texts_.bind(fileMenu, {"MainMenu", "File"});
  texts_.bind(fileMenu->addAction(QString(), this, &MainWindow::chooseLanguage),
              {"MainMenu", "ChooseLang"});
  texts_.bind(fileMenu->addAction(QString(), this, &MainWindow::hideWindow),
              {"MainMenu", "HideWindow"});
  fileMenu->addSeparator();
  pauseAction_ = fileMenu->addAction(QString(), this, [this] {
    guarded(session_.reports, [this] { session_.cycle.togglePause(); });
  });
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
  const bool available = !session_.texts.helpFile.empty();
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
  trayPauseAction_ = trayMenu_.addAction(QString(), this, [this] {
    guarded(session_.reports, [this] { session_.cycle.togglePause(); });
  });
  trayMenu_.addSeparator();
  QAction* trayExitAction = trayMenu_.addAction(QString(), this, &MainWindow::exitFromTray);
  texts_.bind(trayExitAction, {"Tray", "Exit"});
  tray_.icon().setContextMenu(&trayMenu_);
  connect(&tray_.icon(), &QSystemTrayIcon::activated, this, &MainWindow::trayActivated);
}

void MainWindow::connectHistory(HistoryKeeper& keeper) {
  historyKeeper_ = &keeper;
  historyWindow_ = new HistoryWindow(session_, keeper, this);
  // After Hide Window in the File menu, after Show Window in the tray's.
  QAction* fileItem = new QAction(this);
  fileMenu_->insertAction(fileMenu_->actions().value(2), fileItem);
  QAction* trayItem = new QAction(this);
  trayMenu_.insertAction(trayMenu_.actions().value(1), trayItem);
  for (QAction* item : {fileItem, trayItem}) {
    item->setObjectName(QStringLiteral("findCapture"));
    texts_.bind(item, {"History", "Find"});
    connect(item, &QAction::triggered, this, &MainWindow::showHistory);
  }
  new QShortcut(QKeySequence::Find, this, this, &MainWindow::showHistory);
  pages_->connectHistory(
      [&keeper] { return keeper.indexPath(); },
      [this, &keeper] {
        if (historyWindow_->isVisible()) historyWindow_->hide();
        if (!keeper.forgetAll()) {
          session_.services.dialogs.errorBox(replaceIgnoringCase(
              session_.texts.get("History", "NotDeleted"), "%s", keeper.indexPath()));
        }
      });
  addKeyboardKeys();
}

void MainWindow::showHistory() {
  if (historyWindow_) historyWindow_->showAndSearch();
}

void MainWindow::offerToIndex(int pictures) {
  if (pictures <= 0 || !historyKeeper_) return;
  // Not modal: the program goes on taking captures while the question waits.
  auto* box =
      new QMessageBox(QMessageBox::Question, QStringLiteral("Snaprill"),
                      toQString(replaceIgnoringCase(session_.texts.get("History", "Offer"), "%s",
                                                    session_.options.text(Option::outputDir))),
                      QMessageBox::Yes | QMessageBox::No, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setObjectName(QStringLiteral("indexOffer"));
  connect(box, &QMessageBox::finished, this, [this](int result) {
    if (result == QMessageBox::Yes && historyKeeper_) historyKeeper_->indexOutputFolder();
  });
  box->open();
}

void MainWindow::applyTexts() {
  texts_.applyAll();
  if (historyWindow_) historyWindow_->applyTexts();
  addKeyboardKeys();
  typePicker_->applyTexts();
  dirChooser_->applyTexts();
  showHelpAvailability();
  refreshView();
  pages_->updateGeometry();
}

void MainWindow::refreshView() {
  const CaptureStatus& status = session_.status;
  statusLine_->setText(toQString(status.statusText()));
  if (!hideTimer_.isActive()) setWindowTitle(toQString(status.windowCaption()));
  pauseAction_->setText(toQString(status.pauseCaption()));
  trayPauseAction_->setText(toQString(status.pauseCaption()));
  topStrip_->refreshView();
}

bool MainWindow::optionPagesShown() const {
  return snaprill::optionPagesShown(session_.options);
}

void MainWindow::showOptionPages(bool shown) {
  pages_->setEnabled(shown);
  pages_->setVisible(shown);
  topStrip_->showPagesExpanded(shown);
}

void MainWindow::addKeyboardKeys() {
  // The menu bar's keys come from the language file; the strip and each page then
  // take what is left, each page on its own since only one shows at a time.
  QString menuKeys;
  for (QAction* menu : menuBar()->actions()) menuKeys += mnemonicOf(menu->text());
  QString stripKeys = menuKeys;
  addMnemonics(topStrip_, stripKeys);
  for (int page = 0; page < pages_->count(); ++page) {
    QString pageKeys = stripKeys;
    addMnemonics(pages_->widget(page), pageKeys);
  }
  for (QAction* menu : menuBar()->actions()) {
    if (menu->menu()) addMnemonics(menu->menu());
  }
}

void MainWindow::toggleOptionPages() {
  const bool expanding = !optionPagesShown();
  toggleOptionPagesHeight(session_.options);
  if (expanding) pages_->setCurrentWidget(pages_->generalPage());
}

void MainWindow::outputTypeChanged() {
  // The quality bar follows by itself; the window brings the type's own page
  // forward.
  const int type = session_.options.value(Option::outputType);
  QWidget* page = nullptr;
  if (type == kGif || type == kAvi) page = pages_->gifPage();
  if (type == kBitmap || type == kTiff || type == kTarga) page = pages_->tiffTgaBmpPage();
  if (page) {
    if (session_.options.value(Option::clientHeight) < kTypePageLimit) toggleOptionPages();
    pages_->setCurrentWidget(page);
  }
  topStrip_->showType();
}

void MainWindow::showMenuPage(const QString& caption) {
  if (session_.options.value(Option::clientHeight) < kPagesCollapsedLimit) toggleOptionPages();
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
  const std::optional<std::string> file = session_.services.dialogs.openFile(
      "Snaprill", kSettingsFilter, session_.services.dirs.configDir);
  if (!file) return;
  LoadedSettings loaded;
  guarded(session_.reports,
          [this, &file, &loaded] { loaded = session_.settings.load(*file, true); });
  applyTexts();
  pages_->refreshOverlayPreview();
  if (loaded.windowPositionStored) placeWindow(true);
}

void MainWindow::saveSettingsAs() {
  const std::optional<std::string> file = session_.services.dialogs.saveFile(
      "Snaprill", kSettingsFilter, "snp", session_.services.dirs.configDir);
  if (!file) return;
  storeWindowPlace();
  guarded(session_.reports, [this, &file] { session_.settings.save(*file); });
}

void MainWindow::chooseLanguage() {
  const std::optional<std::string> file =
      // Starts where the shipped languages are.
      session_.services.dialogs.openFile(session_.texts.get("Dialogs", "ChooseLang"),
                                         "INI (*.ini)|*.ini", session_.services.dirs.dataDir);
  if (!file) return;
  guarded(session_.reports, [this, &file] {
    session_.settings.loadLanguage(*file);
    session_.settings.writeLanguageFile(*file);
  });
}

void MainWindow::openHelpTopic(int topic) {
  const std::string& helpFile = session_.texts.helpFile;
  if (helpFile.empty()) {
    showAboutBox();
    return;
  }
  openInBrowser(helpTopicUrl(helpFile, topic), this, [this, helpFile] {
    session_.services.dialogs.errorBox(
        replaceIgnoringCase(session_.texts.get("Error", "HelpNotOpened"), "%s", helpFile));
  });
}

void MainWindow::showAboutBox() {
  aboutBox_->exec();
}

void MainWindow::captureTextChanged() {
  // A word only the makers know, exactly as written, shows how long the program
  // has run.
  if (session_.options.text(Option::captureText) == "VUX") aboutBox_->revealUptime();
}

void MainWindow::showLostCaptureNotice() {
  // The status line already says it; hidden in the tray, a balloon is what is seen.
  if (tray_.icon().isVisible() && QSystemTrayIcon::supportsMessages()) {
    tray_.icon().showMessage(QStringLiteral("Snaprill"),
                             toQString(session_.status.lostNotice().notice),
                             QSystemTrayIcon::Warning);
  }
}

}  // namespace snaprill
