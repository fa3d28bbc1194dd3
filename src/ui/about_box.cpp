#include "ui/about_box.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "base/product.h"
#include "formats/modern_types.h"
#include "ui/icons.h"
#include "ui/link_label.h"
#include "ui/ui_texts.h"

namespace snaprill {

namespace {

constexpr int kCreditsWidth = 401;
constexpr int kUptimeStepMs = 100;
// Who made it, and whom it owes: the projects it is built on.
constexpr const char* kAuthorCredit = "the Snaprill developers";
QString thankedNames() {
  return QStringLiteral("the Qt Project, libjpeg-turbo, zlib, libdeflate, giflib, ") +
         (kModernTypesBuilt ? QStringLiteral("libwebp, libavif, libjxl, ") : QString()) +
         QStringLiteral("and the X.Org Foundation");
}

QString fromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QStringList quickHelpLines(const Texts& texts) {
  QStringList lines;
  for (const std::string& line : texts.quickHelpLines) lines << fromUtf8(line);
  return lines;
}

AboutBox::AboutBox(const Texts& texts, Launcher& launcher, std::function<long long()> uptimeMs,
                   QWidget* parent)
    : QDialog(parent), texts_(texts), launcher_(launcher), uptimeMs_(std::move(uptimeMs)) {
  setObjectName(QStringLiteral("aboutBox"));
  // A dialog border without title-bar buttons: OK closes it.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowTitle(fromUtf8(texts_.get("Info", "Caption")));

  auto* logo = new QLabel(this);
  logo->setObjectName(QStringLiteral("logo"));
  logo->setPixmap(applicationIcon().pixmap(48, 48));
  auto* versionLabel = new QLabel(fromUtf8(productTitle()), this);
  versionLabel->setObjectName(QStringLiteral("versionLabel"));
  QFont versionFont(QStringLiteral("Verdana"));
  versionFont.setBold(true);
  versionFont.setPointSizeF(font().pointSizeF() * 1.6);
  versionLabel->setFont(versionFont);
  auto* homePageLink = new LinkLabel(this);
  homePageLink->setObjectName(QStringLiteral("homePageLink"));
  homePageLink->setText(fromUtf8(homePage()));
  homePageLink->setVisible(!homePage().empty());
  connect(homePageLink, &LinkLabel::clicked, this, &AboutBox::openHomePage);
  uptimeLabel_ = new QLabel(this);
  uptimeLabel_->setObjectName(QStringLiteral("uptimeLabel"));
  uptimeLabel_->setVisible(false);

  // The credits stand still, one paragraph each, wrapped at the box's width: every
  // word readable at once, in every language, at any size of the box.
  creditsArea_ = new QLabel(this);
  creditsArea_->setObjectName(QStringLiteral("creditsArea"));
  QFont verdana(QStringLiteral("Verdana"));
  verdana.setPointSizeF(font().pointSizeF());
  creditsArea_->setFont(verdana);
  creditsArea_->setTextFormat(Qt::PlainText);
  creditsArea_->setWordWrap(true);
  creditsArea_->setMinimumWidth(kCreditsWidth);
  quickHelpGroup_ = new QGroupBox(this);
  quickHelpGroup_->setObjectName(QStringLiteral("quickHelpGroup"));
  quickHelpView_ = new QPlainTextEdit(quickHelpGroup_);
  quickHelpView_->setObjectName(QStringLiteral("quickHelpView"));
  quickHelpView_->setReadOnly(true);
  quickHelpView_->setFrameShape(QFrame::NoFrame);
  quickHelpView_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  quickHelpView_->viewport()->setCursor(Qt::ArrowCursor);
  quickHelpView_->setBackgroundRole(QPalette::Button);
  quickHelpView_->viewport()->setBackgroundRole(QPalette::Button);
  quickHelpView_->setMinimumSize(393, 159);
  auto* helpLayout = new QVBoxLayout(quickHelpGroup_);
  helpLayout->setContentsMargins(2, 2, 2, 2);
  helpLayout->addWidget(quickHelpView_);
  okButton_ = new QPushButton(this);
  okButton_->setObjectName(QStringLiteral("okButton"));
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

  auto* title = new QVBoxLayout;
  title->addWidget(versionLabel);
  title->addWidget(homePageLink);
  title->addWidget(uptimeLabel_);
  auto* top = new QHBoxLayout;
  top->addWidget(logo, 0, Qt::AlignTop);
  top->addLayout(title, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(creditsArea_);
  layout->addWidget(quickHelpGroup_, 1);
  layout->addWidget(okButton_, 0, Qt::AlignHCenter);

  uptimeTimer_.setInterval(kUptimeStepMs);
  connect(&uptimeTimer_, &QTimer::timeout, this, &AboutBox::onUptimeTick);
}

AboutBox::~AboutBox() = default;

void AboutBox::revealUptime() {
  uptimeRevealed_ = true;
  uptimeLabel_->setVisible(true);
  if (isVisible()) {
    onUptimeTick();
    uptimeTimer_.start();
  }
}

QString AboutBox::creditsText() const {
  return creditsArea_->text();
}

QString AboutBox::formatUptime(long long milliseconds) {
  const long long seconds = std::max(milliseconds, 0LL) / 1000;
  const long long days = seconds / 86400;
  QString text = QStringLiteral("%1:%2:%3")
                     .arg(seconds / 3600 % 24, 2, 10, QLatin1Char('0'))
                     .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                     .arg(seconds % 60, 2, 10, QLatin1Char('0'));
  if (days > 0) text.prepend(QStringLiteral("%1 d ").arg(days));
  return QString::fromUtf8("T\xC3\xB6\xC3\xB6tab: ") + text;
}

void AboutBox::applyTexts() {
  const auto text = [this](const char* section, const char* key) {
    return fromUtf8(texts_.get(section, key));
  };
  QString author = QString::fromUtf8(kAuthorCredit);
  if (!homePage().empty()) author += QStringLiteral(" (") + fromUtf8(homePage()) + ')';
  creditsArea_->setText(QStringList{text("Info", "Programmer") + QStringLiteral(": ") + author,
                                    text("Info", "Thanks") + QStringLiteral(": ") + thankedNames(),
                                    fromUtf8(texts_.translatorCredit())}
                            .join(QLatin1Char('\n')));
  quickHelpView_->setPlainText(quickHelpLines(texts_).join(QLatin1Char('\n')));
  okButton_->setText(text("Info", "OK"));
  setWindowTitle(text("Info", "Caption"));
  quickHelpGroup_->setTitle(text("Info", "Help"));
}

void AboutBox::showEvent(QShowEvent* event) {
  applyTexts();
  // As tall as the credits need once wrapped in this language, with the quick help
  // whole below them.
  adjustSize();
  // Centred on the screen the main window is on.
  const QScreen* screen =
      parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (screen) move(screen->geometry().center() - rect().center());
  onUptimeTick();
  if (uptimeRevealed_) uptimeTimer_.start();
  QDialog::showEvent(event);
}

void AboutBox::hideEvent(QHideEvent* event) {
  uptimeTimer_.stop();
  QDialog::hideEvent(event);
}

void AboutBox::onUptimeTick() {
  uptimeLabel_->setText(formatUptime(uptimeMs_()));
}

void AboutBox::openHomePage() {
  if (!homePage().empty()) launcher_.start("xdg-open", {homePage()}, std::string());
}

}  // namespace snaprill
