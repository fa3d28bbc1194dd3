#include "ui/top_strip.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>

#include "options/output_types.h"
#include "ui/focus_frame.h"
#include "ui/link_label.h"
#include "ui/type_panel.h"

namespace snaprill {

namespace {

constexpr int kTypeCount = kOutputTypeCount;

// The desktop styles draw no focus on a scroll bar; this one is set from the keyboard
// too, so it shows the frame the other controls of the strip show.
class QualityScrollBar : public QScrollBar {
 public:
  using QScrollBar::QScrollBar;

 protected:
  void paintEvent(QPaintEvent* event) override {
    QScrollBar::paintEvent(event);
    QPainter painter(this);
    drawFocusFrame(painter, *this);
  }
};

QString description(const UiTexts& texts, int type) {
  if (type < 0 || type >= kTypeCount) return QString();
  return texts.text({"Descriptions", outputTypes()[static_cast<std::size_t>(type)].descriptionKey});
}

}  // namespace

QString outputTypeName(int type) {
  return type >= 0 && type < kTypeCount
             ? QLatin1String(outputTypes()[static_cast<std::size_t>(type)].stripName)
             : QString();
}

TopStrip::TopStrip(Session& session, UiTexts& texts, QWidget* parent)
    : QWidget(parent), session_(session), texts_(texts), binding_(session.options) {
  qualityCaption_ = new QLabel(this);
  qualityCaption_->setObjectName(QStringLiteral("qualityCaption"));
  qualityCaption_->setTextFormat(Qt::PlainText);
  qualityBar_ = new QualityScrollBar(Qt::Horizontal, this);
  qualityBar_->setObjectName(QStringLiteral("qualityBar"));
  binding_.scrollBar(qualityBar_, Option::qualityBar,
                     [this] { return session_.qualityBar.largeStep(); });
  // Arrows and Page Up/Down set the quality without a mouse: Right and Page Up for
  // more, as on a slider (a scroll bar's keys run the other way by default).
  qualityBar_->setFocusPolicy(Qt::StrongFocus);
  qualityBar_->setInvertedControls(false);

  auto* hideWindowLink = new LinkLabel(this);
  hideWindowLink->setObjectName(QStringLiteral("hideWindowLink"));
  texts_.bind(hideWindowLink, {"Main", "HideWindow"});
  connect(hideWindowLink, &LinkLabel::clicked, this, &TopStrip::hideRequested);
  auto* helpLink = new LinkLabel(this);
  helpLink->setObjectName(QStringLiteral("helpLink"));
  texts_.bind(helpLink, {"Main", "Help"});
  connect(helpLink, &LinkLabel::clicked, this, &TopStrip::helpRequested);

  auto* typeLabel = new QLabel(this);
  typeLabel->setTextFormat(Qt::PlainText);
  texts_.bind(typeLabel, {"Main", "ImageType"});
  typePanel_ = new TypePanel(this);
  typePanel_->setObjectName(QStringLiteral("typePanel"));
  typeLabel->setBuddy(typePanel_);
  texts_.bindAccessibleName(typePanel_, {{"Main", "ImageType"}});
  QStringList names;
  for (const OutputTypeInfo& type : outputTypes()) names << QLatin1String(type.stripName);
  typePanel_->setWidestNames(names);
  connect(typePanel_, &TypePanel::pressed, this, &TopStrip::typePickerRequested);
  auto* advancedLink = new LinkLabel(this);
  advancedLink->setObjectName(QStringLiteral("advancedLink"));
  texts_.bind(advancedLink, {"Main", "AdvOptions"});
  connect(advancedLink, &LinkLabel::clicked, this, &TopStrip::advancedRequested);
  advancedLink_ = advancedLink;

  pausedNotice_ = new LinkLabel(this);
  pausedNotice_->setObjectName(QStringLiteral("pausedNotice"));
  pausedNotice_->setForegroundRole(QPalette::WindowText);
  QFont bold = pausedNotice_->font();
  bold.setBold(true);
  pausedNotice_->setFont(bold);
  texts_.bind(pausedNotice_, {"Main", "SnaprillPaused"});
  // Shown and hidden as the cycle pauses and resumes, without the strip moving.
  QSizePolicy keepPlace = pausedNotice_->sizePolicy();
  keepPlace.setRetainSizeWhenHidden(true);
  pausedNotice_->setSizePolicy(keepPlace);
  connect(pausedNotice_, &LinkLabel::clicked, this, &TopStrip::pauseRequested);

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::VLine);
  line->setFrameShadow(QFrame::Sunken);
  typeDescription_ = new QLabel(this);
  typeDescription_->setObjectName(QStringLiteral("typeDescription"));
  typeDescription_->setTextFormat(Qt::PlainText);
  typeDescription_->setWordWrap(true);
  typeDescription_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  auto* links = new QHBoxLayout;
  links->addWidget(hideWindowLink);
  links->addSpacing(fontMetrics().averageCharWidth() * 2);
  links->addWidget(helpLink);
  links->addStretch(1);
  auto* type = new QHBoxLayout;
  type->addWidget(typeLabel);
  type->addWidget(typePanel_);
  type->addStretch(1);
  auto* left = new QVBoxLayout;
  left->addWidget(qualityCaption_);
  left->addWidget(qualityBar_);
  left->addLayout(links);
  left->addLayout(type);
  left->addWidget(advancedLink);
  left->addWidget(pausedNotice_);
  left->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(left);
  layout->addWidget(line);
  layout->addWidget(typeDescription_, 1);

  binding_.watch(Option::outputType, [this] { showType(); });
  texts_.bind({"Descriptions", "JPEG"}, [this](const QString&) { showType(); });
  refreshView();
}

void TopStrip::refreshView() {
  binding_.refresh(Option::qualityBar);
  qualityCaption_->setText(toQString(session_.qualityBar.caption()));
  qualityBar_->setAccessibleName(qualityBarName());
  qualityCaption_->setEnabled(session_.options.enabled(Option::qualityBar));
  pausedNotice_->setVisible(session_.status.pausedNoticeVisible());
}

QString TopStrip::qualityBarName() const {
  // What the bar sets, without the numbers its caption shows: "JPEG Quality",
  // "PNG Compression Level".
  const int type = session_.options.value(Option::outputType);
  const QString caption = texts_.text({"Main", type == kPng ? "Compression" : "Quality"});
  const QString setting = plainCaption(caption.section(QStringLiteral("%q"), 0, 0));
  return outputTypeName(type) + u' ' +
         (setting.isEmpty() ? plainCaption(QString(caption).remove(QStringLiteral("%q")))
                            : setting);
}

void TopStrip::showPagesExpanded(bool expanded) {
  advancedLink_->setExpanded(expanded);
}

void TopStrip::showType() {
  const int type = session_.options.value(Option::outputType);
  typePanel_->setTypeName(outputTypeName(type));
  typeDescription_->setText(description(texts_, type));
  // As tall as the longest description at the width the strip gives it, so that
  // the window keeps its size whichever type is chosen.
  const int width = fontMetrics().averageCharWidth() * 34;
  int tallest = 0;
  for (int t = 0; t < kTypeCount; ++t) {
    tallest = std::max(tallest, fontMetrics()
                                    .boundingRect(QRect(0, 0, width, 10000), Qt::TextWordWrap,
                                                  description(texts_, t))
                                    .height());
  }
  typeDescription_->setFixedWidth(width);
  typeDescription_->setMinimumHeight(tallest);
}

}  // namespace snaprill
