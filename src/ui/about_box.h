// The about box, which is also the built-in help: the product and its version, the
// home page, the credits (who wrote it, whom it thanks, who translated it), the
// quick help of the language file, and a hidden running time.
#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>

#include "options/texts.h"
#include "platform/services.h"

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace snaprill {

class AboutBox : public QDialog {
  Q_OBJECT

 public:
  // uptimeMs tells how long the program has run, in milliseconds.
  AboutBox(const Texts& texts, Launcher& launcher, std::function<long long()> uptimeMs,
           QWidget* parent = nullptr);
  ~AboutBox() override;

  // Shows the running time from now on, for the rest of the run.
  void revealUptime();
  bool uptimeRevealed() const { return uptimeRevealed_; }

  // The credits, one line each.
  QString creditsText() const;
  const QTimer& uptimeTimer() const { return uptimeTimer_; }

  void openHomePage();

  // The running time as shown: hours, minutes and seconds, with the days before
  // them once a run is longer than a day.
  static QString formatUptime(long long milliseconds);

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void onUptimeTick();
  void applyTexts();

  const Texts& texts_;
  Launcher& launcher_;
  std::function<long long()> uptimeMs_;
  QLabel* creditsArea_ = nullptr;
  QGroupBox* quickHelpGroup_ = nullptr;
  QPlainTextEdit* quickHelpView_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QLabel* uptimeLabel_ = nullptr;
  QTimer uptimeTimer_;
  bool uptimeRevealed_ = false;
};

// The quick-help lines the language loader kept (Texts::quickHelpLines), with the
// built-in lines after them when the language says next to nothing.
QStringList quickHelpLines(const Texts& texts);

}  // namespace snaprill
