#include "ui/option_pages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

#include "ui/link_label.h"
#include "ui/wrapped_label.h"

namespace snaprill {

OptionPages::OptionPages(Session& session, UiTexts& texts, Choosers& choosers, QWidget* parent)
    : QTabWidget(parent),
      session_(session),
      options_(session.options),
      texts_(texts),
      choosers_(choosers),
      binding_(session.options) {
  setObjectName(QStringLiteral("optionPages"));
  setUsesScrollButtons(false);
  texts_.bindAccessibleName(this, {{"MainMenu", "Tabs"}});
  generalPage_ = buildGeneralPage();
  addPage(generalPage_, {"Main", "General"});
  addPage(buildImagePage(), {"Main", "Image"});
  gifPage_ = buildGifPage();
  addPage(gifPage_, {"Main", "GIF"});
  tiffTgaBmpPage_ = buildTiffTgaBmpPage();
  addPage(tiffTgaBmpPage_, {"Main", "TIFFTGABMP"});
  addPage(buildDimensionsPage(), {"Main", "DimAndEffects"});
  addPage(buildAutomationPage(), {"Main", "Automation"});
  addPage(buildSettingsPage(), {"Main", "Settings"});
}

OptionPages::~OptionPages() {
  if (automation_ != nullptr) automation_->changed.remove(automationWatch_);
}

void OptionPages::addPage(QWidget* page, TextKey caption) {
  const int index = addTab(page, QString());
  texts_.bind(caption, [this, index](const QString& t) { setTabText(index, t); });
}

QCheckBox* OptionPages::check(Option id, TextKey caption, const char* name) {
  auto* box = new QCheckBox;
  box->setObjectName(QLatin1String(name));
  texts_.bind(box, caption);
  binding_.check(box, id);
  return box;
}

QRadioButton* OptionPages::radio(TextKey caption, const char* name) {
  auto* button = new QRadioButton;
  button->setObjectName(QLatin1String(name));
  texts_.bind(button, caption);
  return button;
}

QSpinBox* OptionPages::number(Option id, const char* name) {
  auto* spin = new QSpinBox;
  spin->setObjectName(QLatin1String(name));
  binding_.number(spin, id);
  // A field without limits would size itself for ten digits and a sign; eight
  // characters hold every value anyone types.
  const int widest = spin->fontMetrics().horizontalAdvance(QStringLiteral("-0000000"));
  spin->setMaximumWidth(widest + spin->sizeHint().height() * 2);
  spin->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  return spin;
}

QComboBox* OptionPages::list(Option id, std::initializer_list<TextKey> entries, const char* name) {
  auto* combo = new QComboBox;
  combo->setObjectName(QLatin1String(name));
  int index = 0;
  for (const TextKey& entry : entries) {
    combo->addItem(QString());
    texts_.bind(entry, [combo, index](const QString& t) { combo->setItemText(index, t); });
    ++index;
  }
  combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  binding_.list(combo, id);
  return combo;
}

QLineEdit* OptionPages::field(Option id, const char* name) {
  auto* edit = new QLineEdit;
  edit->setObjectName(QLatin1String(name));
  binding_.text(edit, id);
  return edit;
}

QLabel* OptionPages::label(TextKey caption) {
  auto* text = new QLabel;
  text->setTextFormat(Qt::PlainText);
  texts_.bind(text, caption);
  return text;
}

QLabel* OptionPages::label(TextKey caption, QWidget* buddy) {
  QLabel* text = label(caption);
  text->setBuddy(buddy);
  return text;
}

void OptionPages::name(QWidget* control, std::vector<TextKey> parts, const QString& suffix) {
  texts_.bindAccessibleName(control, std::move(parts), suffix);
}

QLabel* OptionPages::wrappedLabel(TextKey caption, int widthInCharacters) {
  auto* text = new WrappedLabel(widthInCharacters);
  texts_.bind(text, caption);
  return text;
}

void OptionPages::addNumberFields(QGridLayout* layout, int firstRow, TextKey owner,
                                  std::initializer_list<NumberField> fields, int perRow,
                                  Qt::Alignment captionAlignment) {
  int place = 0;
  for (const NumberField& f : fields) {
    QSpinBox* spin = number(f.id, f.name);
    // "Crop Width", "Text X": the bare captions say little on their own.
    name(spin, {owner, f.caption});
    const int row = firstRow + place / perRow;
    const int column = 2 * (place % perRow);
    layout->addWidget(label(f.caption, spin), row, column, captionAlignment);
    layout->addWidget(spin, row, column + 1);
    ++place;
  }
}

LinkLabel* OptionPages::link(TextKey caption, const char* name) {
  auto* link = new LinkLabel;
  link->setObjectName(QLatin1String(name));
  texts_.bind(link, caption);
  return link;
}

QGroupBox* OptionPages::group(TextKey caption, const char* name) {
  auto* box = new QGroupBox;
  box->setObjectName(QLatin1String(name));
  texts_.bind(box, caption);
  return box;
}

}  // namespace snaprill
