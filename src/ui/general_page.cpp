// The "General" page: output folder, file names, the capture hotkeys and the
// auto-save rows.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstring>

#include "options/file_prefix.h"
#include "platform/program_dir.h"
#include "settings/settings_file.h"
#include "ui/guarded.h"
#include "ui/key_field.h"
#include "ui/link_label.h"
#include "ui/mnemonics.h"
#include "ui/option_file_field.h"
#include "ui/option_pages.h"
#include "ui/wrapped_label.h"

namespace snaprill {

namespace {

// The General page's notes on the desktop's global shortcuts, one shown at a time.
constexpr const char* kShortcutsNotes[] = {"NoGlobalShortcuts", "ShortcutsPending",
                                           "ShortcutsNoDesktopFile", "ShortcutsRefused"};

constexpr const char* kOptionFileFilter =
    "Snaprill Autosave Settings (*.snp)|*.snp|All Files (*.*)|*.*";

// Byte offsets in the UTF-8 prefix and character positions in the field, both ways.
int utf8Offset(const QString& text, int position) {
  return static_cast<int>(text.left(position).toUtf8().size());
}

int fieldPosition(const QString& text, int utf8Offset) {
  return static_cast<int>(QString::fromUtf8(text.toUtf8().left(utf8Offset)).size());
}

}  // namespace

QWidget* OptionPages::buildGeneralPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("generalPage"));

  // Output folder.
  QGroupBox* outputDirGroup = group({"OutputDir", "OutputDir"}, "outputDirGroup");
  QRadioButton* useDefaultDir = radio({"OutputDir", "Default"}, "useDefaultDir");
  QRadioButton* useChosenDir = radio({"OutputDir", "UserSpec"}, "useChosenDir");
  LinkLabel* changeDirLink = link({"OutputDir", "Change"}, "changeDirLink");
  QLineEdit* outputDirField = field(Option::outputDir, "outputDirField");
  outputDirField->setReadOnly(true);
  binding_.watch(Option::useDefaultDir, [this, useDefaultDir] {
    useDefaultDir->setChecked(options_.checked(Option::useDefaultDir));
  });
  binding_.watch(Option::useChosenDir, [this, useChosenDir, changeDirLink] {
    useChosenDir->setChecked(options_.checked(Option::useChosenDir));
    changeDirLink->setEnabled(options_.checked(Option::useChosenDir));
  });
  connect(useDefaultDir, &QRadioButton::clicked, this, &OptionPages::useDefaultDirClicked);
  connect(useChosenDir, &QRadioButton::clicked, this, &OptionPages::useChosenDirClicked);
  connect(changeDirLink, &LinkLabel::clicked, this, &OptionPages::changeOutputDir);
  auto* outputLayout = new QGridLayout(outputDirGroup);
  outputLayout->addWidget(useDefaultDir, 0, 0);
  outputLayout->addWidget(useChosenDir, 0, 1);
  outputLayout->addWidget(changeDirLink, 0, 2, Qt::AlignRight);
  outputLayout->addWidget(label({"OutputDir", "CurrentDir"}, outputDirField), 1, 0, 1, 3);
  name(outputDirField, {{"OutputDir", "OutputDir"}});
  outputLayout->addWidget(outputDirField, 2, 0, 1, 3);

  // File names.
  QGroupBox* fileNameGroup = group({"Filename", "Filename"}, "fileNameGroup");
  auto* prefix = new QLineEdit;
  prefix->setObjectName(QStringLiteral("filePrefix"));
  prefix->setMaxLength(specOf(Option::filePrefix).maxLength);
  auto* exampleFileName = new QLabel;
  exampleFileName->setObjectName(QStringLiteral("exampleFileName"));
  exampleFileName->setTextFormat(Qt::PlainText);
  // The prefix loses forbidden characters as it is typed; the caret stays where the
  // user left it.
  const auto showPrefix = [this, prefix] {
    const QString shown = toQString(options_.text(Option::filePrefix));
    if (prefix->text() == shown) return;
    prefix->setText(shown);
    // Cleaned shorter than the caret: the caret at the end.
    prefix->setCursorPosition(fieldPosition(shown, prefixCaret_));
  };
  connect(prefix, &QLineEdit::textEdited, this, [this, prefix, showPrefix](const QString& text) {
    prefixCaret_ = utf8Offset(text, prefix->cursorPosition());
    options_.setText(Option::filePrefix, toUtf8(text));
    // A forbidden character typed leaves the prefix as it was: the field drops it.
    showPrefix();
  });
  binding_.watch(Option::filePrefix, showPrefix);
  QRadioButton* plainNumbers = radio({"Filename", "NoZeros"}, "plainNumbers");
  QRadioButton* zeroPadNumbers = radio({"Filename", "AddZeros"}, "zeroPadNumbers");
  // The example and both choices name the file the next capture would get, so they
  // follow every option that goes into the name.
  const auto showExamples = [this, exampleFileName, plainNumbers, zeroPadNumbers] {
    const auto withExample = [this](TextKey caption, bool zeroPadded) {
      return texts_.text(caption).replace(
          QStringLiteral("%ex"), toQString(snaprill::exampleFileName(options_, zeroPadded)),
          Qt::CaseInsensitive);
    };
    exampleFileName->setText(toQString(snaprill::exampleFileName(options_)));
    setCaptionKeepingKey(plainNumbers, withExample({"Filename", "NoZeros"}, false));
    setCaptionKeepingKey(zeroPadNumbers, withExample({"Filename", "AddZeros"}, true));
  };
  for (const Option named :
       {Option::filePrefix, Option::zeroPadNumbers, Option::outputType, Option::saveAnimation}) {
    binding_.watch(named, showExamples);
  }
  // After the radio buttons' own captions, which still hold the placeholder.
  texts_.bind({"Filename", "AddZeros"}, [showExamples](const QString&) { showExamples(); });
  binding_.check(zeroPadNumbers, Option::zeroPadNumbers);
  binding_.partnerRadio(plainNumbers, Option::zeroPadNumbers);
  auto* fileNameLayout = new QGridLayout(fileNameGroup);
  fileNameLayout->addWidget(label({"Filename", "Beginning"}, prefix), 0, 0);
  name(prefix, {{"Filename", "Beginning"}});
  fileNameLayout->addWidget(prefix, 0, 1);
  fileNameLayout->addWidget(label({"Filename", "Example"}), 1, 0);
  fileNameLayout->addWidget(exampleFileName, 1, 1);
  fileNameLayout->addWidget(plainNumbers, 2, 0, 1, 2);
  fileNameLayout->addWidget(zeroPadNumbers, 3, 0, 1, 2);

  // The capture hotkeys: the whole screen above the active window.
  QGroupBox* hotkeysGroup = group({"Hotkeys", "Hotkeys"}, "hotkeysGroup");
  auto* hotkeysLayout = new QGridLayout(hotkeysGroup);
  hotkeysLayout->addWidget(
      check(Option::captureScreenOnKey, {"Hotkeys", "Simulate"}, "captureScreenOnKey"), 0, 0);
  KeyField* screenKey = keyField(Option::screenKey, "screenKey");
  name(screenKey, {{"Hotkeys", "Simulate"}, {"Hotkeys", "Hotkey"}});
  hotkeysLayout->addWidget(label({"Hotkeys", "Hotkey"}, screenKey), 0, 1);
  hotkeysLayout->addWidget(screenKey, 0, 2);
  hotkeysLayout->addWidget(check(Option::captureActiveWindowOnKey, {"Hotkeys", "CaptureAct"},
                                 "captureActiveWindowOnKey"),
                           1, 0);
  KeyField* activeWindowKey = keyField(Option::activeWindowKey, "activeWindowKey");
  name(activeWindowKey, {{"Hotkeys", "CaptureAct"}, {"Hotkeys", "Hotkey"}});
  hotkeysLayout->addWidget(label({"Hotkeys", "Hotkey"}, activeWindowKey), 1, 1);
  hotkeysLayout->addWidget(activeWindowKey, 1, 2);
  hotkeysLayout->setColumnStretch(0, 1);

  // The auto-save rows: a box, a hotkey and an option file each.
  QGroupBox* autoSaveGroup = group({"AutoSave", "AutoSave"}, "autoSaveGroup");
  auto* autoSaveLayout = new QGridLayout(autoSaveGroup);
  autoSaveLayout->addWidget(label({"AutoSave", "Hotkey"}), 0, 1);
  autoSaveLayout->addWidget(label({"AutoSave", "Options"}), 0, 2);
  auto* autoSaveHelpButton = new QToolButton;
  autoSaveHelpButton->setObjectName(QStringLiteral("autoSaveHelpButton"));
  autoSaveHelpButton->setText(QStringLiteral("?"));
  texts_.bindToolTip(autoSaveHelpButton, {"AutoSave", "HelpHint"});
  name(autoSaveHelpButton, {{"AutoSave", "AutoSave"}, {"AutoSave", "HelpHint"}});
  connect(autoSaveHelpButton, &QToolButton::clicked, this, &OptionPages::helpRequested);
  autoSaveLayout->addWidget(autoSaveHelpButton, 0, 3);
  const Option rows[3][3] = {
      {Option::autoSave1, Option::autoSave1Key, Option::autoSave1File},
      {Option::autoSave2, Option::autoSave2Key, Option::autoSave2File},
      {Option::autoSave3, Option::autoSave3Key, Option::autoSave3File},
  };
  for (int row = 0; row < 3; ++row) {
    auto* enabled = new QCheckBox;
    enabled->setObjectName(QStringLiteral("autoSave%1").arg(row + 1));
    binding_.check(enabled, rows[row][0]);
    auto* file = new OptionFileField;
    file->setObjectName(QStringLiteral("autoSave%1File").arg(row + 1));
    texts_.bindToolTip(file, {"AutoSave", "OptHint"});
    const Option fileOption = rows[row][2];
    binding_.watch(fileOption, [this, file, fileOption] {
      file->setText(toQString(options_.text(fileOption)));
    });
    connect(file, &OptionFileField::chooseRequested, this,
            [this, fileOption] { chooseOptionFile(fileOption); });
    connect(file, &OptionFileField::clearRequested, this,
            [this, fileOption] { options_.setText(fileOption, ""); });
    // "Automatic Saving 2", "Automatic Saving Hotkey 2", "Automatic Saving Options 2".
    const QString number = QStringLiteral(" %1").arg(row + 1);
    name(enabled, {{"AutoSave", "AutoSave"}}, number);
    name(file, {{"AutoSave", "AutoSave"}, {"AutoSave", "Options"}}, number);
    autoSaveLayout->addWidget(enabled, row + 1, 0);
    const QByteArray keyName = QStringLiteral("autoSave%1Key").arg(row + 1).toLatin1();
    KeyField* key = keyField(rows[row][1], keyName.constData());
    name(key, {{"AutoSave", "AutoSave"}, {"AutoSave", "Hotkey"}}, number);
    autoSaveLayout->addWidget(key, row + 1, 1);
    autoSaveLayout->addWidget(file, row + 1, 2, 1, 2);
  }
  autoSaveLayout->setColumnStretch(2, 1);

  auto* layout = new QGridLayout(page);
  layout->addWidget(outputDirGroup, 0, 0);
  layout->addWidget(fileNameGroup, 1, 0);
  layout->addWidget(hotkeysGroup, 0, 1);
  layout->addWidget(autoSaveGroup, 1, 1);
  shortcutsNote_ = new WrappedLabel(80);
  shortcutsNote_->setObjectName(QStringLiteral("shortcutsNote"));
  shortcutsNote_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  shortcutsNote_->hide();
  // Each of the notes follows the language, the one shown among them.
  for (const char* key : kShortcutsNotes) {
    texts_.bind({"Main", key}, [this, key](const QString& text) {
      if (shortcutsNoteKey_ == key) shortcutsNote_->setText(text);
    });
  }
  layout->addWidget(shortcutsNote_, 2, 0, 1, 2);
  layout->setRowStretch(3, 1);
  return page;
}

void OptionPages::showShortcutsNote(const char* key) {
  shortcutsNoteKey_ = nullptr;
  for (const char* known : kShortcutsNotes) {
    if (key != nullptr && std::strcmp(key, known) == 0) shortcutsNoteKey_ = known;
  }
  if (shortcutsNoteKey_ != nullptr)
    shortcutsNote_->setText(texts_.text({"Main", shortcutsNoteKey_}));
  shortcutsNote_->setVisible(shortcutsNoteKey_ != nullptr);
}

KeyField* OptionPages::keyField(Option id, const char* name) {
  auto* field = new KeyField(options_, id, [this](bool on) {
    if (hotkeys_ == nullptr) return;
    if (on) {
      hotkeys_->resumeHotkeys();
    } else {
      hotkeys_->suspendHotkeys();
    }
  });
  field->setObjectName(QLatin1String(name));
  return field;
}

void OptionPages::useDefaultDirClicked() {
  options_.setChecked(Option::useDefaultDir, true);
  options_.setChecked(Option::useChosenDir, false);
  options_.setText(Option::outputDir, session_.services.dirs.defaultOutput);
}

void OptionPages::useChosenDirClicked() {
  options_.setChecked(Option::useChosenDir, true);
  options_.setChecked(Option::useDefaultDir, false);
  changeOutputDir();
}

void OptionPages::changeOutputDir() {
  const std::optional<QString> chosen =
      choosers_.directory(toQString(options_.text(Option::outputDir)), window());
  if (!chosen) return;
  options_.setText(Option::outputDir, withTrailingSlash(toUtf8(*chosen)));
  guarded(session_.reports, [this] { session_.settings.writeOutputDir(); });
}

void OptionPages::chooseOptionFile(Option file) {
  const std::optional<std::string> path = session_.services.dialogs.openFile(
      "Snaprill", kOptionFileFilter, session_.services.dirs.configDir);
  if (path) options_.setText(file, *path);
}

}  // namespace snaprill
