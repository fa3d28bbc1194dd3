// The ui layer holds the Qt windows; they show and edit the options model and drive
// the capture cycle, and hold no option of their own.
//
// The main window: the top strip, the option pages that collapse and expand, the
// status bar, the File, Tabs and Help menus, the tray icon with its menu, the type
// picker, start-up and the one close path.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <memory>

#include "backends/qt/qt_tray.h"
#include "ui/choosers.h"
#include "ui/session.h"
#include "ui/ui_texts.h"

namespace snaprill {

class AboutBox;
class HistoryKeeper;
class HistoryWindow;
class DirectoryChooser;
class NoTrayNotice;
class OptionBinding;
class OptionPages;
class TopStrip;
class TypePicker;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  MainWindow(Session& session, QtTray& tray, Choosers& choosers);
  ~MainWindow() override;

  // The start-up sequence after the cycle's defaults: main settings (with their
  // language and window place), output directory, status and tray, then the window
  // shown, or with the hide switch only the tray icon.
  void startUp(bool hideSwitch);
  // Every way out ends here (window close, File and tray Exit, termination
  // signals): the window's place is kept, no picture is taken any more, the
  // captures taken are written (the status line and the tray's tip say so
  // meanwhile, and the window still answers), then the waiting animation frames;
  // then the tray icon goes and the settings are saved, once, and the event loop
  // ends.
  void closeProgram();
  bool closing() const { return closing_; }
  // After the event loop (a second signal ended it during the close): what the
  // close left undone, done now, the writes under way waited for; nothing when no
  // close began.
  void finishClose();
  // The tray menu's Exit: the same close.
  void exitFromTray();
  // To the tray, or minimised where no tray host exists; and back.
  void hideWindow();
  void showWindow();

  // The Advanced Options link: collapses shown option pages, shows collapsed ones
  // (with the General page in front).
  void toggleOptionPages();
  bool optionPagesShown() const;
  // A Tabs menu item: the page of that caption, the pages shown first.
  void showMenuPage(const QString& caption);
  void openTypePicker();

  // File menu commands.
  void loadChosenSettings();
  void saveSettingsAs();
  void chooseLanguage();
  // The help entries: the about box with the quick help, centred on the screen.
  void showAboutBox();
  // The manual at a topic (0: its contents) in the desktop's browser; without a
  // help file, the built-in help of the about box. An error box tells when no
  // browser showed it.
  void openHelpTopic(int topic);

  // The capture history's window, menu items (File and tray: "Find a capture…"),
  // Ctrl+F and Settings group, from here on; the keeper outlives the window.
  void connectHistory(HistoryKeeper& keeper);
  void showHistory();
  // The first start with a history offers to index the pictures already saved.
  void offerToIndex(int pictures);
  HistoryWindow* historyWindow() { return historyWindow_; }

  // Every caption again, after a language file was applied.
  void applyTexts();
  const UiTexts& uiTexts() const { return texts_; }

  OptionPages& optionPages() { return *pages_; }
  TypePicker& typePicker() { return *typePicker_; }
  QMenu& trayMenu() { return trayMenu_; }
  AboutBox& aboutBox() { return *aboutBox_; }
  DirectoryChooser& directoryChooser() { return *dirChooser_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void buildMenus();
  void buildTrayMenu();
  void showHelpAvailability();
  void refreshView();
  void outputTypeChanged();
  void showOptionPages(bool shown);
  // Alt+letter keys for the captions that have none, after every change of language.
  void addKeyboardKeys();
  void showLostCaptureNotice();
  void trayActivated(QSystemTrayIcon::ActivationReason reason);
  void onHideTick();
  void captureTextChanged();
  void placeWindow(bool positionFromSettings);
  void storeWindowPlace();
  bool shownOnScreen() const;

  Session& session_;
  QtTray& tray_;
  Choosers& choosers_;
  UiTexts texts_;
  std::unique_ptr<OptionBinding> binding_;
  TopStrip* topStrip_ = nullptr;
  OptionPages* pages_ = nullptr;
  TypePicker* typePicker_ = nullptr;
  DirectoryChooser* dirChooser_ = nullptr;
  AboutBox* aboutBox_ = nullptr;
  QLabel* statusLine_ = nullptr;
  QAction* pauseAction_ = nullptr;      // File menu
  QAction* trayPauseAction_ = nullptr;  // tray menu
  QAction* helpFileAction_ = nullptr;
  QMenu* fileMenu_ = nullptr;
  HistoryKeeper* historyKeeper_ = nullptr;
  HistoryWindow* historyWindow_ = nullptr;
  QMenu trayMenu_;
  QTimer hideTimer_;
  QElapsedTimer runningFor_;  // since start-up: the about box's running time
  bool hiddenToTray_ = false;
  std::unique_ptr<NoTrayNotice> noTrayNotice_;
  bool closing_ = false;
  bool closed_ = false;  // the settings saved at the end of the close
  void endClose();
  Callbacks::Id statusWatch_ = 0;
  Callbacks::Id qualityWatch_ = 0;
  Callbacks::Id lossWatch_ = 0;
  Callbacks::Id languageWatch_ = 0;
};

}  // namespace snaprill
