#include "ui/help_topics.h"

#include <QApplication>
#include <QEvent>
#include <QShortcut>
#include <QTimer>
#include <QWhatsThis>
#include <QWidget>
#include <array>

namespace snaprill {

namespace {

struct HelpTopic {
  const char* objectName;
  int topic;
};

// The manual's topic numbers, kept from the help files of earlier versions.
constexpr std::array kTopics = {
    HelpTopic{"mainWindow", kWindowTopic},
    HelpTopic{"generalPage", 7},
    HelpTopic{"fileNameGroup", 8},
    HelpTopic{"outputDirGroup", 9},
    HelpTopic{"hotkeysGroup", 10},
    HelpTopic{"autoSaveGroup", kAutoSaveTopic},
    HelpTopic{"advancedLink", 13},
    HelpTopic{"typePanel", 14},
    HelpTopic{"typeDescription", 14},
    HelpTopic{"statusLine", 15},
    HelpTopic{"imagePage", 16},
    HelpTopic{"qualityCaption", 17},
    HelpTopic{"qualityBar", 17},
    HelpTopic{"gifPage", 18},
    HelpTopic{"textGroup", 19},
    HelpTopic{"tiffTgaBmpPage", 20},
    HelpTopic{"dimensionsPage", 21},
    HelpTopic{"automationPage", 23},
    HelpTopic{"cursorGroup", 24},
    HelpTopic{"overlayGroup", 25},
    HelpTopic{"cropGroup", 26},
    HelpTopic{"resizeGroup", 27},
    HelpTopic{"effectsGroup", 28},
    HelpTopic{"galleryGroup", 29},
    HelpTopic{"settingsPage", 33},
};

}  // namespace

int helpTopicOf(const QWidget* widget) {
  for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    for (const HelpTopic& t : kTopics) {
      if (w->objectName() == QLatin1String(t.objectName)) return t.topic;
    }
    if (w->isWindow()) break;
  }
  return kWindowTopic;
}

QUrl helpTopicUrl(const std::string& helpFile, int topic) {
  QUrl url = QUrl::fromLocalFile(QString::fromStdString(helpFile));
  if (topic > 0) url.setFragment(QStringLiteral("topic-%1").arg(topic));
  return url;
}

HelpKeys::HelpKeys(QWidget* window, std::function<void(int)> open)
    : QObject(window), window_(window), open_(std::move(open)) {
  auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), window);
  connect(f1, &QShortcut::activated, this, [this] {
    QWidget* focus = QApplication::focusWidget();
    open_(helpTopicOf(focus && focus->window() == window_ ? focus : window_));
  });
  auto* shiftF1 = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1), window);
  connect(shiftF1, &QShortcut::activated, this, [] { QWhatsThis::enterWhatsThisMode(); });
  qApp->installEventFilter(this);
}

bool HelpKeys::eventFilter(QObject* watched, QEvent* event) {
  // In What's This mode every control of the window answers with its topic, so the
  // pointer shows the question mark over all of them and a click opens the manual.
  const bool query = event->type() == QEvent::QueryWhatsThis;
  if (!query && event->type() != QEvent::WhatsThis) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != window_) return false;
  event->accept();
  if (!query) {
    open_(helpTopicOf(widget));
    // An accepted answer keeps Qt in What's This mode, which would open the manual
    // at every later click. The mode ends once its own event handling has returned.
    QTimer::singleShot(0, this, [] { QWhatsThis::leaveWhatsThisMode(); });
  }
  return true;
}

}  // namespace snaprill
