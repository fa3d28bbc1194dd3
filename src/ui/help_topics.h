// Help: the manual's topics by control, and the ways to open them. The manual is one
// HTML page (Texts::helpFile, data/snaprill-manual.html when shipped) with an anchor
// "topic-<number>" per topic; it opens in the desktop's browser through xdg-open
// (ui/browser_opener.h).
//
// F1 opens the topic of the control that has the focus; Shift+F1, or the title-bar
// help button where the window manager shows one, turns the pointer into a question
// mark and the control then clicked opens its topic.
#pragma once

#include <QObject>
#include <QUrl>
#include <functional>
#include <string>

class QWidget;

namespace snaprill {

inline constexpr int kWindowTopic = 1;
inline constexpr int kAutoSaveTopic = 11;

// The topic of a control: its own, else its nearest container's, else the window's.
int helpTopicOf(const QWidget* widget);

// The manual at a topic's anchor; topic 0 is the page itself (its contents).
QUrl helpTopicUrl(const std::string& helpFile, int topic);

// Opens the help topics of one window by key and by the What's This pointer. open
// is given the topic; it reports a failure itself.
class HelpKeys : public QObject {
 public:
  HelpKeys(QWidget* window, std::function<void(int topic)> open);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
  std::function<void(int)> open_;
};

}  // namespace snaprill
