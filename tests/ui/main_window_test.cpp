// The main window's behaviour that users meet: type changes and their pages, the
// collapsed and expanded option area, the Tabs menu, the quality bar's two values,
// the colour swatches, and controls that edit the model and reach snaprill.ini.
#include <algorithm>
#include <filesystem>

#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>

#include "formats/ini/ini_file.h"
#include "triggers/automation.h"
#include "ui/colour_swatch.h"
#include "ui/link_label.h"
#include "ui/mnemonics.h"
#include "ui/option_pages.h"
#include "ui/type_picker.h"
#include "window_fixture.h"

namespace snaprill {
namespace {

using test::readFile;
using test::WindowTest;
using test::writeFile;

QAction* tabsItem(MainWindow& window, int index) {
  const auto* tabs = window.findChild<QMenu*>(QStringLiteral("tabsMenu"));
  return tabs ? tabs->actions().value(index) : nullptr;
}

TEST_F(WindowTest, ChoosingAviSelectsSaveAnimationAndShowsTheGifPageExpanded) {
  MainWindow& w = startedWindow();
  w.toggleOptionPages();
  ASSERT_FALSE(w.optionPagesShown());
  const int collapsedHeight = w.sizeHint().height();

  w.typePicker().chooseRow(7);  // "Video for Windows (AVI)"
  EXPECT_EQ(h.options.value(Option::outputType), kAvi);
  EXPECT_TRUE(h.options.checked(Option::saveAnimation));
  EXPECT_TRUE(find<QRadioButton>("saveAnimation")->isChecked());
  EXPECT_TRUE(w.optionPagesShown());
  EXPECT_FALSE(w.optionPages().isHidden());
  EXPECT_EQ(w.optionPages().currentWidget(), w.optionPages().gifPage());
  EXPECT_GT(w.sizeHint().height(), collapsedHeight + 100);

  // Bitmap, TIFF and Targa bring their own page; PNG leaves the page alone.
  w.typePicker().chooseRow(6);
  EXPECT_EQ(w.optionPages().currentWidget(), w.optionPages().tiffTgaBmpPage());
  w.typePicker().chooseRow(2);
  EXPECT_EQ(w.optionPages().currentWidget(), w.optionPages().tiffTgaBmpPage());
  // The same type chosen again still runs the change: its page comes back.
  w.typePicker().chooseRow(3);
  w.optionPages().setCurrentIndex(0);
  w.typePicker().chooseRow(3);
  EXPECT_EQ(w.optionPages().currentWidget(), w.optionPages().gifPage());
}

TEST_F(WindowTest, EveryTabsItemShowsItsPageAndExpandsFirst) {
  MainWindow& w = startedWindow();
  for (int page = 0; page < 7; ++page) {
    if (w.optionPagesShown()) w.toggleOptionPages();
    QAction* item = tabsItem(w, page);
    ASSERT_NE(item, nullptr);
    // The page's caption, with an Alt+letter key of its own.
    EXPECT_EQ(plainCaption(item->text()), plainCaption(w.optionPages().tabText(page)));
    EXPECT_FALSE(mnemonicOf(item->text()).isNull()) << item->text().toStdString();
    item->trigger();
    EXPECT_TRUE(w.optionPagesShown()) << page;
    EXPECT_EQ(w.optionPages().currentIndex(), page) << item->text().toStdString();
  }
  // "Dimensions && Effects" matches its page once the doubled ampersand is ignored.
  EXPECT_EQ(tabsItem(w, 4)->text(), QStringLiteral("&Dimensions && Effects"));
}

TEST_F(WindowTest, CollapsedOrExpandedComesBackFromTheSettings) {
  // GIF would expand the window; the stored collapse is read after the type.
  writeFile(settingsFile(), "[Snaprill]\nImageType=2\nAdvanced=0\n");
  MainWindow& w = startedWindow();
  EXPECT_FALSE(w.optionPagesShown());
  EXPECT_TRUE(w.optionPages().isHidden());
  w.closeProgram();
  EXPECT_EQ(IniFile::fromFile(settingsFile()).value("Snaprill", "Advanced"), "0");

  writeFile(settingsFile(), "[Snaprill]\nAdvanced=1\n");
  test::Harness next(dir.path());
  Session nextSession = sessionOf(next);
  QtTray tray(applicationIcon(), pausedIcon());
  MainWindow again(nextSession, tray, choosers);
  again.startUp(false);
  EXPECT_TRUE(again.optionPagesShown());
  EXPECT_EQ(again.optionPages().currentWidget(), again.optionPages().generalPage());
}

TEST_F(WindowTest, TheQualityBarKeepsEachTypesStoredValue) {
  writeFile(settingsFile(), "[Snaprill]\nImageType=0\nJPEGQuality=80\nPNGComp=3\n");
  startedWindow();
  auto* bar = find<QScrollBar>("qualityBar");
  EXPECT_EQ(bar->value(), 80);
  EXPECT_EQ(bar->pageStep(), 5);

  window().typePicker().chooseRow(2);  // PNG: the range first, then the stored level
  EXPECT_EQ(bar->maximum(), 9);
  EXPECT_EQ(bar->value(), 3);
  EXPECT_EQ(bar->pageStep(), 2);
  window().typePicker().chooseRow(1);
  EXPECT_EQ(bar->value(), 80);
  window().typePicker().chooseRow(2);
  EXPECT_EQ(bar->value(), 3);
  EXPECT_EQ(h.options.value(Option::pngLevel), 3);
  EXPECT_EQ(h.options.value(Option::jpegQuality), 80);

  bar->setValue(5);  // as a drag would
  EXPECT_EQ(h.options.value(Option::pngLevel), 5);
  EXPECT_EQ(h.options.value(Option::jpegQuality), 80);
  window().typePicker().chooseRow(3);  // GIF: no quality
  EXPECT_FALSE(bar->isEnabled());
  EXPECT_FALSE(find<QLabel>("qualityCaption")->isEnabled());
}

TEST_F(WindowTest, SwatchCaptionsStayReadableOnTheirColour) {
  startedWindow();
  auto* swatch = find<ColourSwatch>("textColourSwatch");
  h.options.setValue(Option::textColour, 0x00FF0000);  // pure blue
  EXPECT_EQ(swatch->value(), 0x00FF0000);
  EXPECT_EQ(swatch->captionColour(), QColor(Qt::black));
  h.options.setValue(Option::textColour, 0x000000FF);  // pure red
  EXPECT_EQ(swatch->captionColour(), QColor(Qt::white));
  EXPECT_EQ(contrastColour(12000000), QColor(Qt::white));
  EXPECT_EQ(contrastColour(12000001), QColor(Qt::black));
  EXPECT_EQ(contrastColour(-2147483633), QColor(Qt::white));  // a system colour

  // A colour chosen on the swatch becomes the text colour, and the field shows it.
  choosers.nextColour = QColor(0x12, 0x34, 0x56);
  QTest::mouseClick(swatch, Qt::LeftButton);
  EXPECT_EQ(h.options.value(Option::textColour), 0x563412);
  EXPECT_EQ(find<QLineEdit>("captureText")->palette().color(QPalette::Text),
            QColor(0x12, 0x34, 0x56));
  choosers.nextColour.reset();  // cancelled: nothing changes
  QTest::mouseClick(swatch, Qt::LeftButton);
  EXPECT_EQ(h.options.value(Option::textColour), 0x563412);
}

TEST_F(WindowTest, TheCaptureTextFieldListsTheDateAndTimeFields) {
  startedWindow();
  const QString tip = find<QLineEdit>("captureText")->toolTip();
  EXPECT_TRUE(tip.contains(QStringLiteral("\n%y year (2026)\n"))) << tip.toStdString();
  EXPECT_TRUE(tip.contains(QStringLiteral("%s second (00-59)"))) << tip.toStdString();
}

TEST_F(WindowTest, ControlsEditTheModelAndTheCloseWritesThem) {
  startedWindow();
  auto* prefix = find<QLineEdit>("filePrefix");
  prefix->clear();
  QTest::keyClicks(prefix, "shot/s:");
  EXPECT_EQ(prefix->text(), QStringLiteral("shots"));  // cleaned as it is typed
  EXPECT_EQ(find<QLabel>("exampleFileName")->text(), QStringLiteral("shots1.jpg"));
  find<QCheckBox>("gifGrayscale")->click();
  find<QSpinBox>("frameDelay")->setValue(250);
  find<QRadioButton>("zeroPadNumbers")->click();
  QTest::keyClicks(find<QLineEdit>("externalParameters"), " --new");

  window().close();  // the title bar's close button
  const IniFile saved = IniFile::fromFile(settingsFile());
  EXPECT_EQ(saved.value("General", "FilenamePrefix"), "shots");
  EXPECT_EQ(saved.value("General", "AddZeros"), "1");
  EXPECT_EQ(saved.value("GIF", "Grayscale"), "1");
  EXPECT_EQ(saved.value("GIF", "Delay"), "250");
  EXPECT_EQ(saved.value("Automation", "ExtProgParam"), "%filename --new");

  // Read back by the next start, the same controls show the same values.
  test::Harness next(dir.path());
  Session nextSession = sessionOf(next);
  QtTray tray(applicationIcon(), pausedIcon());
  MainWindow again(nextSession, tray, choosers);
  again.startUp(false);
  EXPECT_EQ(again.findChild<QLineEdit*>(QStringLiteral("filePrefix"))->text(), "shots");
  EXPECT_TRUE(again.findChild<QCheckBox*>(QStringLiteral("gifGrayscale"))->isChecked());
  EXPECT_EQ(again.findChild<QSpinBox*>(QStringLiteral("frameDelay"))->value(), 250);
  EXPECT_TRUE(again.findChild<QRadioButton*>(QStringLiteral("zeroPadNumbers"))->isChecked());
  EXPECT_FALSE(again.findChild<QRadioButton*>(QStringLiteral("plainNumbers"))->isChecked());
}

TEST_F(WindowTest, ThePrefixLosesForbiddenCharactersAndKeepsItsCaret) {
  startedWindow();
  auto* prefix = find<QLineEdit>("filePrefix");
  prefix->clear();
  QTest::keyClicks(prefix, "a/b:c");
  EXPECT_EQ(prefix->text(), QStringLiteral("abc"));
  EXPECT_EQ(prefix->cursorPosition(), 3);  // shorter than the caret: at the end
  prefix->setCursorPosition(1);
  QTest::keyClicks(prefix, "?");
  EXPECT_EQ(prefix->text(), QStringLiteral("abc"));
  EXPECT_EQ(prefix->cursorPosition(), 2);
}

TEST_F(WindowTest, TheWindowComesBackWhereItWasUnlessThatIsOffEveryScreen) {
  writeFile(settingsFile(), "[Snaprill]\nTop=40\nLeft=50\n");
  MainWindow& w = startedWindow();
  EXPECT_EQ(w.pos(), QPoint(50, 40));
  w.move(70, 60);
  w.closeProgram();
  const IniFile saved = IniFile::fromFile(settingsFile());
  EXPECT_EQ(saved.value("Snaprill", "Top"), "60");
  EXPECT_EQ(saved.value("Snaprill", "Left"), "70");

  // A place on a monitor unplugged since: the middle of the screen instead.
  writeFile(settingsFile(), "[Snaprill]\nTop=40\nLeft=9000\n");
  test::Harness next(dir.path());
  Session nextSession = sessionOf(next);
  QtTray tray(applicationIcon(), pausedIcon());
  MainWindow again(nextSession, tray, choosers);
  again.startUp(false);
  const QRect screen = again.screen()->availableGeometry();
  EXPECT_NEAR(again.frameGeometry().center().x(), screen.center().x(), 2);
  EXPECT_GE(again.pos().y(), screen.top());
}

TEST_F(WindowTest, LostCapturesAreToldInTheStatusBarWithoutATray) {
  startedWindow();
  h.clipboard.offerBitmap(Bitmap());
  h.tick();
  EXPECT_EQ(window().findChild<QLabel*>(QStringLiteral("statusLine"))->text(),
            QStringLiteral("A capture was not saved: the picture on the clipboard is damaged."));
}

TEST_F(WindowTest, HidingWithoutATrayMinimisesAndSaysSoOnce) {
  MainWindow& w = startedWindow();
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  w.hideWindow();
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(w.isMinimized());
  EXPECT_TRUE(h.tray.calls.empty()) << "no icon where no tray shows it";
  EXPECT_FALSE(w.statusBar()->currentMessage().isEmpty());
  w.statusBar()->clearMessage();
  w.showWindow();
  w.hideWindow();
  EXPECT_TRUE(w.statusBar()->currentMessage().isEmpty());
}

TEST_F(WindowTest, TheNoTrayNoticeGivesWayToTheNextCapture) {
  MainWindow& w = startedWindow();
  w.hideWindow();
  ASSERT_FALSE(w.statusBar()->currentMessage().isEmpty());
  h.capture();
  EXPECT_TRUE(w.statusBar()->currentMessage().isEmpty());
  EXPECT_EQ(find<QLabel>("statusLine")->text(), QStringLiteral("1/99999 pictures"));
  // Nor does it come back with the next minimising.
  w.showWindow();
  w.hideWindow();
  EXPECT_TRUE(w.statusBar()->currentMessage().isEmpty());
}

TEST_F(WindowTest, ADisabledQualityBarNamesNoNumberAfterARestart) {
  writeFile(settingsFile(), "[Snaprill]\nImageType=2\nJPEGQuality=40\n");
  startedWindow();
  EXPECT_EQ(find<QLabel>("qualityCaption")->text(), QStringLiteral("Quality"));
  EXPECT_FALSE(find<QLabel>("qualityCaption")->isEnabled());
  EXPECT_EQ(find<QScrollBar>("qualityBar")->value(), 40);
}

TEST_F(WindowTest, KeyFieldsStopTheHotkeysWhileTheyHaveTheFocus) {
  fake::FakeKeyboard keyboard;
  fake::FakeKeyInjector keys;
  Hotkeys hotkeys(h.options, h.cycle, h.reports, h.settings, h.platform, keyboard, keys);
  startedWindow().optionPages().connectHotkeys(hotkeys);
  h.cycle.togglePause();
  ASSERT_FALSE(hotkeys.timer().enabled());
  auto* key = find<QLineEdit>("autoSave2Key");
  ASSERT_NE(key, nullptr);
  hotkeys.timer().setEnabled(true);
  QFocusEvent in(QEvent::FocusIn);
  QCoreApplication::sendEvent(key, &in);
  EXPECT_FALSE(hotkeys.timer().enabled());
  // Leaving the field turns them on again, even while paused.
  QFocusEvent out(QEvent::FocusOut);
  QCoreApplication::sendEvent(key, &out);
  EXPECT_TRUE(hotkeys.timer().enabled());
}

TEST_F(WindowTest, KeyFieldsTakeTheShortcutPressedAndClearOnBackspace) {
  startedWindow();
  auto* key = find<QLineEdit>("autoSave2Key");
  ASSERT_NE(key, nullptr);
  const auto press = [key](int k, Qt::KeyboardModifiers m) {
    QKeyEvent event(QEvent::KeyPress, k, m);
    QCoreApplication::sendEvent(key, &event);
  };
  press(Qt::Key_F9, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(h.options.value(Option::autoSave2Key), 0x78 | 0x4000 | 0x8000);
  EXPECT_EQ(key->text(), QStringLiteral("Ctrl+Alt+F9"));
  // Modifiers alone show what comes, and store nothing. (Qt reports a modifier key's
  // own press with its modifier already held, as the state before it plus itself.)
  press(Qt::Key_Shift, Qt::NoModifier);
  EXPECT_EQ(key->text(), QStringLiteral("Shift+"));
  EXPECT_EQ(h.options.value(Option::autoSave2Key), 0x78 | 0x4000 | 0x8000);
  press(Qt::Key_7, Qt::KeypadModifier);
  EXPECT_EQ(key->text(), QStringLiteral("Num+7"));
  press(Qt::Key_Q, Qt::ShiftModifier);
  EXPECT_EQ(h.options.value(Option::autoSave2Key), 0x51 | 0x2000);
  press(Qt::Key_Backspace, Qt::NoModifier);
  EXPECT_EQ(h.options.value(Option::autoSave2Key), 0);
  EXPECT_TRUE(key->text().isEmpty());
  // A loaded value shows by its name.
  h.options.setValue(Option::autoSave2Key, 0x2C);
  EXPECT_EQ(key->text(), QStringLiteral("Print"));
}

TEST_F(WindowTest, StartStopLinkDrivesTheAutomationOnceConnected) {
  // The automation outlives the window, as in the program.
  fake::FakeKeyboard keyboard;
  fake::FakeKeyInjector keys;
  Automation automation(h.options, h.texts, h.cycle, h.platform, keyboard, keys);
  QtTray tray(applicationIcon(), pausedIcon());
  MainWindow w(session, tray, choosers);
  w.startUp(false);
  auto* link = w.findChild<LinkLabel*>(QStringLiteral("startStopLink"));
  ASSERT_NE(link, nullptr);
  EXPECT_FALSE(link->isEnabled());
  w.optionPages().connectAutomation(automation);
  EXPECT_TRUE(link->isEnabled());
  emit link->clicked();
  EXPECT_TRUE(automation.periodTimer().enabled());
  EXPECT_EQ(link->text(), QStringLiteral("Stop"));
  // A language applied while it runs keeps the stop text, in the new language.
  writeFile(dir.path() + "lang.ini", "[Timers]\nStart=Alusta\nStop=Peata\n");
  h.settings.loadLanguage(dir.path() + "lang.ini");
  EXPECT_EQ(link->text(), QStringLiteral("Peata"));
  emit link->clicked();
  EXPECT_FALSE(automation.periodTimer().enabled());
  EXPECT_EQ(link->text(), QStringLiteral("Alusta"));
}

TEST_F(WindowTest, AFileThatKeepsThePagesClosedKeepsThemClosedWhateverItsType) {
  startedWindow();
  h.options.setValue(Option::clientHeight, 99);  // the user closed the pages
  // GIF brings its page forward, opening the pages; the file says closed.
  writeFile(dir.path() + "other.snp", "[Snaprill]\nImageType=2\nAdvanced=0\n");
  h.settings.load(dir.path() + "other.snp", true);
  EXPECT_EQ(h.options.value(Option::outputType), kGif);
  EXPECT_EQ(h.options.value(Option::clientHeight), 99);
  // So do the user's settings coming back after an auto-save capture.
  writeFile(dir.path() + "opt.snp", "[Snaprill]\nImageType=0\n");
  h.settings.useForOneCapture(dir.path() + "opt.snp");
  EXPECT_EQ(h.options.value(Option::outputType), kJpeg);
  h.capture();
  EXPECT_EQ(h.options.value(Option::outputType), kGif);
  EXPECT_EQ(h.options.value(Option::clientHeight), 99);
}

TEST_F(WindowTest, TheTrayIconComesOnceTheStartUpSettingsAreAllIn) {
  writeFile(settingsFile(),
            "[Snaprill]\nTrayAlways=1\nStartPaused=1\nRememberLastPic=1\nLastPic=7\n");
  startedWindow();
  const auto add = std::find_if(h.tray.calls.begin(), h.tray.calls.end(),
                                [](const auto& call) { return call.op == TrayOperation::Add; });
  ASSERT_NE(add, h.tray.calls.end());
  EXPECT_EQ(add->record.icon, TrayIcon::Paused);
  EXPECT_EQ(add->record.tip(), "Snaprill - 7/99999 pictures - Paused");
  EXPECT_EQ(std::count_if(h.tray.calls.begin(), h.tray.calls.end(),
                          [](const auto& call) { return call.op == TrayOperation::Add; }),
            1);
}

}  // namespace
}  // namespace snaprill

namespace snaprill {
namespace {

// Faults: the program saves its settings and quits while a capture is still being
// written (its file lost, its number not remembered), says nothing of the wait, or,
// its event loop ended by a second signal, leaves the capture unwritten.
TEST_F(WindowTest, TheCloseWaitsForTheCaptureUnderWayThenSavesTheSettings) {
  h.platform.background = &h.background;
  writeFile(settingsFile(), "[Snaprill]\nTop=40\nLeft=50\n");
  MainWindow& w = startedWindow();
  h.capture();
  w.move(70, 60);
  w.closeProgram();
  EXPECT_EQ(h.status.statusText(), "Saving captures...");
  EXPECT_EQ(IniFile::fromFile(settingsFile()).value("Snaprill", "Top"), "40");
  h.background.runNext();
  EXPECT_TRUE(std::filesystem::exists(dir.path() + "snp1.jpg"));
  EXPECT_EQ(h.status.statusText(), "Saving settings...");
  EXPECT_EQ(IniFile::fromFile(settingsFile()).value("Snaprill", "Top"), "60");

  test::Harness next(dir.path());
  next.platform.background = &next.background;
  Session nextSession = sessionOf(next);
  QtTray tray(applicationIcon(), pausedIcon());
  MainWindow again(nextSession, tray, choosers);
  again.startUp(false);
  next.capture();
  again.closeProgram();
  again.finishClose();
  EXPECT_TRUE(std::filesystem::exists(dir.path() + "snp2.jpg"));
  EXPECT_EQ(IniFile::fromFile(settingsFile()).value("Snaprill", "LastPic"), "2");
}

}  // namespace
}  // namespace snaprill
