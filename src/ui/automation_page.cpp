// The "Automation" page (timed captures, the external program, the HTML gallery)
// and the "Settings" page.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "gallery/gallery.h"
#include "ui/guarded.h"
#include "ui/link_label.h"
#include "ui/option_pages.h"
#include "ui/readable_colour.h"

namespace snaprill {

namespace {

// Executables on Linux carry no extension, so the programs are every file.
constexpr const char* kProgramFilter = "Programs (*)|*|All files (*.*)|*.*";

// A gallery run shown on the page: its button and its progress bar.
class GalleryControls : public GalleryView {
 public:
  GalleryControls(QPushButton* start, QProgressBar* progress)
      : start_(start), progress_(progress) {}
  void setStartEnabled(bool enabled) override { start_->setEnabled(enabled); }
  void showProgress(int maximum) override {
    progress_->setRange(0, maximum);
    progress_->setValue(0);
    progress_->setVisible(true);
  }
  void setProgress(int done) override { progress_->setValue(done); }
  void hideProgress() override {
    progress_->setVisible(false);
    progress_->setValue(0);
  }

 private:
  QPushButton* start_;
  QProgressBar* progress_;
};

}  // namespace

QWidget* OptionPages::buildAutomationPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("automationPage"));

  // Timed captures. The link is off until the automation is connected, rather than
  // a link that does nothing.
  QGroupBox* timersGroup = group({"Timers", "Timers"}, "timersGroup");
  LinkLabel* startStopLink = link({"Timers", "Start"}, "startStopLink");
  startStopLink->setEnabled(false);
  // Navy in Verdana where the font exists, unlike the page's other links: this one
  // starts and stops the timers rather than opening a chooser. On a dark theme,
  // where navy cannot be read, the theme's link colour or plain light text.
  QPalette navy = startStopLink->palette();
  navy.setColor(QPalette::Link,
                readableAgainst(navy.color(QPalette::Window),
                                {QColor(0x00, 0x00, 0x80), navy.color(QPalette::Link)}));
  startStopLink->setPalette(navy);
  QFont verdana = startStopLink->font();
  verdana.setFamilies({QStringLiteral("Verdana"), verdana.family()});
  startStopLink->setFont(verdana);
  startStopLink_ = startStopLink;
  auto* timersLayout = new QGridLayout(timersGroup);
  QSpinBox* period = number(Option::automationPeriod, "automationPeriod");
  name(period, {{"Timers", "Simulate"}});
  QComboBox* unit = list(Option::automationUnit,
                         {{"Timers", "Milliseconds"}, {"Timers", "Seconds"}, {"Timers", "Minutes"}},
                         "automationUnit");
  // The unit list has no caption; its choices say what it sets.
  name(unit, {{"Timers", "Timers"},
              {"Timers", "Milliseconds"},
              {"Timers", "Seconds"},
              {"Timers", "Minutes"}});
  timersLayout->addWidget(label({"Timers", "Simulate"}, period), 0, 0, 1, 3);
  timersLayout->addWidget(period, 1, 1);
  timersLayout->addWidget(unit, 1, 2, Qt::AlignLeft);
  timersLayout->addWidget(
      check(Option::automationStopAfter, {"Timers", "StopAfter"}, "automationStopAfter"), 2, 0);
  QSpinBox* stopCount = number(Option::automationStopCount, "automationStopCount");
  name(stopCount, {{"Timers", "StopAfter"}, {"Timers", "Images"}});
  timersLayout->addWidget(stopCount, 2, 1);
  timersLayout->addWidget(label({"Timers", "Images"}), 2, 2);
  timersLayout->addWidget(
      check(Option::automationDelayed, {"Timers", "Delay"}, "automationDelayed"), 3, 0);
  QSpinBox* delay = number(Option::automationDelay, "automationDelay");
  name(delay, {{"Timers", "Delay"}, {"Timers", "Before"}});
  timersLayout->addWidget(delay, 3, 1);
  timersLayout->addWidget(label({"Timers", "Before"}), 3, 2);
  timersLayout->addWidget(startStopLink, 4, 0, 1, 3, Qt::AlignRight);
  timersLayout->setColumnStretch(2, 1);

  // The external program.
  QGroupBox* externalProgramGroup = group({"ExtProg", "ExtProg"}, "externalProgramGroup");
  LinkLabel* externalProgramLink = link({"ExtProg", "Program"}, "externalProgramLink");
  connect(externalProgramLink, &LinkLabel::clicked, this, &OptionPages::browseExternalProgram);
  auto* externalLayout = new QGridLayout(externalProgramGroup);
  externalLayout->addWidget(
      check(Option::openInExternalProgram, {"ExtProg", "Open"}, "openInExternalProgram"), 0, 0, 1,
      2);
  QLineEdit* program = field(Option::externalProgram, "externalProgram");
  name(program, {{"ExtProg", "ExtProg"}});
  QLineEdit* parameters = field(Option::externalParameters, "externalParameters");
  name(parameters, {{"ExtProg", "Parameters"}});
  externalLayout->addWidget(externalProgramLink, 1, 0);
  externalLayout->addWidget(program, 1, 1);
  externalLayout->addWidget(label({"ExtProg", "Parameters"}, parameters), 2, 0);
  externalLayout->addWidget(parameters, 2, 1);

  // The HTML gallery.
  QGroupBox* galleryGroup = group({"Gallery", "Gallery"}, "galleryGroup");
  QLabel* galleryIntroLabel = wrappedLabel({"Gallery", "Create"}, 32);
  QLabel* galleryNoteLabel = wrappedLabel({"Gallery", "Note"}, 32);
  auto* galleryStartButton = new QPushButton;
  galleryStartButton->setObjectName(QStringLiteral("galleryStartButton"));
  texts_.bind(galleryStartButton, {"Gallery", "SelectImages"});
  auto* galleryProgress = new QProgressBar;
  galleryProgress->setObjectName(QStringLiteral("galleryProgress"));
  galleryProgress->setVisible(false);
  // Its place is kept while hidden, so that the page does not jump as it shows.
  QSizePolicy keepPlace = galleryProgress->sizePolicy();
  keepPlace.setRetainSizeWhenHidden(true);
  galleryProgress->setSizePolicy(keepPlace);
  connect(galleryStartButton, &QPushButton::clicked, this,
          [this, galleryStartButton, galleryProgress] {
            GalleryControls controls(galleryStartButton, galleryProgress);
            guarded(session_.reports, [this, &controls] {
              createGallery(options_, session_.texts, session_.services.dialogs, controls);
            });
          });
  auto* galleryLayout = new QGridLayout(galleryGroup);
  galleryLayout->addWidget(galleryIntroLabel, 0, 0, 1, 3);
  QComboBox* align =
      list(Option::galleryAlign, {{"Gallery", "Left"}, {"Gallery", "Center"}, {"Gallery", "Right"}},
           "galleryAlign");
  name(align, {{"Gallery", "Gallery"}, {"Gallery", "TableAlign"}});
  galleryLayout->addWidget(label({"Gallery", "TableAlign"}, align), 1, 0);
  galleryLayout->addWidget(align, 1, 1);
  addNumberFields(galleryLayout, 2, {"Gallery", "Gallery"},
                  {{Option::galleryColumns, {"Gallery", "TableCols"}, "galleryColumns"},
                   {Option::galleryImageWidth, {"Gallery", "ImageWidth"}, "galleryImageWidth"},
                   {Option::galleryImageHeight, {"Gallery", "ImageHeight"}, "galleryImageHeight"}},
                  1);
  galleryLayout->addWidget(label({"Gallery", "Pixels"}), 4, 2);
  galleryLayout->addWidget(galleryNoteLabel, 5, 0, 1, 3);
  galleryLayout->addWidget(check(Option::galleryLinks, {"Gallery", "CreateLinks"}, "galleryLinks"),
                           6, 0, 1, 3);
  galleryLayout->addWidget(galleryStartButton, 7, 0, 1, 3, Qt::AlignLeft);
  galleryLayout->addWidget(galleryProgress, 8, 0, 1, 3);
  galleryLayout->setColumnStretch(2, 1);

  auto* layout = new QGridLayout(page);
  layout->addWidget(timersGroup, 0, 0);
  layout->addWidget(externalProgramGroup, 1, 0);
  layout->addWidget(galleryGroup, 0, 1, 2, 1);
  layout->setRowStretch(2, 1);
  layout->setColumnStretch(0, 1);
  return page;
}

void OptionPages::connectAutomation(Automation& automation) {
  automation_ = &automation;
  const auto refresh = [this] { startStopLink_->setText(toQString(automation_->linkText())); };
  automationWatch_ = automation.changed.add(refresh);
  // After a language change the link says what a click would do now, not "Start".
  texts_.bind({"Timers", "Start"}, [refresh](const QString&) { refresh(); });
  connect(startStopLink_, &LinkLabel::clicked, this,
          [this] { guarded(session_.reports, [this] { automation_->toggleAutomation(); }); });
  startStopLink_->setEnabled(true);
  refresh();
}

QWidget* OptionPages::buildSettingsPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("settingsPage"));
  QGroupBox* settingsGroup = group({"Settings", "Settings"}, "settingsGroup");
  LinkLabel* resetCounterLink = link({"Settings", "ResetImageCount"}, "resetCounterLink");
  connect(resetCounterLink, &LinkLabel::clicked, this,
          [this] { session_.reports.resetCounterIfConfirmed(); });
  auto* layout = new QGridLayout(settingsGroup);
  layout->addWidget(
      check(Option::rememberLastNumber, {"Settings", "RememberLastPic"}, "rememberLastNumber"), 0,
      0);
  layout->addWidget(
      check(Option::keepClipboardAtStart, {"Settings", "NoClearClpStart"}, "keepClipboardAtStart"),
      1, 0);
  layout->addWidget(check(Option::keepClipboardOnResume, {"Settings", "NoClearClpResume"},
                          "keepClipboardOnResume"),
                    2, 0);
  layout->addWidget(check(Option::startPaused, {"Settings", "PauseSnaprill"}, "startPaused"), 3, 0);
  layout->addWidget(check(Option::trayIconAlways, {"Settings", "TrayIcon"}, "trayIconAlways"), 0,
                    1);
  layout->addWidget(check(Option::overwriteFiles, {"Settings", "Overwrite"}, "overwriteFiles"), 1,
                    1);
  layout->addWidget(resetCounterLink, 2, 1);
  layout->addWidget(check(Option::runAtLogin, {"Settings", "RunAutomatically"}, "runAtLogin"), 3,
                    1);
  layout->addWidget(check(Option::printKeyCopiesScreen, {"Settings", "PrintScreenCopies"},
                          "printKeyCopiesScreen"),
                    4, 0);
  layout->addWidget(
      check(Option::takeImageWithText, {"Settings", "TakeImageWithText"}, "takeImageWithText"), 4,
      1);
  auto* pageLayout = new QVBoxLayout(page);
  pageLayout->addWidget(settingsGroup);
  pageLayout->addWidget(buildHistoryGroup());
  pageLayout->addStretch(1);
  return page;
}

QGroupBox* OptionPages::buildHistoryGroup() {
  QGroupBox* historyGroup = group({"History", "Group"}, "historyGroup");
  QLineEdit* neverRead = field(Option::historyNeverRead, "historyNeverRead");
  texts_.bindToolTip(neverRead, {"History", "NeverReadHint"});
  historyPlace_ = new QLabel(historyGroup);
  historyPlace_->setObjectName(QStringLiteral("historyPlace"));
  historyPlace_->setTextFormat(Qt::PlainText);
  forgetHistoryLink_ = link({"History", "Forget"}, "forgetHistoryLink");
  forgetHistoryLink_->setEnabled(false);
  auto* layout = new QGridLayout(historyGroup);
  layout->addWidget(check(Option::historyEnabled, {"History", "Keep"}, "historyEnabled"), 0, 0, 1,
                    2);
  layout->addWidget(label({"History", "NeverRead"}, neverRead), 1, 0);
  layout->addWidget(neverRead, 1, 1);
  layout->addWidget(historyPlace_, 2, 0, 1, 2);
  layout->addWidget(forgetHistoryLink_, 3, 0, 1, 2, Qt::AlignLeft);
  layout->setColumnStretch(1, 1);
  return historyGroup;
}

void OptionPages::connectHistory(std::function<std::string()> indexPath,
                                 std::function<void()> forget) {
  texts_.bind({"History", "Where"}, [this, indexPath](const QString& text) {
    historyPlace_->setText(QString(text).replace(QLatin1String("%s"), toQString(indexPath())));
  });
  connect(forgetHistoryLink_, &LinkLabel::clicked, this, [this, forget] {
    if (session_.services.dialogs.confirm(session_.texts.get("History", "ForgetConfirm"))) forget();
  });
  forgetHistoryLink_->setEnabled(true);
}

void OptionPages::browseExternalProgram() {
  const std::optional<std::string> path = session_.services.dialogs.openFile(
      session_.texts.get("Dialogs", "ChooseApp"), kProgramFilter, std::string());
  if (path) options_.setText(Option::externalProgram, *path);
}

}  // namespace snaprill
