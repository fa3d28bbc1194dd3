// The option pages of the main window, in tab order: General, Image, GIF, TIFF/TGA/
// BMP, Dimensions & Effects, Automation, Settings. Every control shows and edits
// the options model; the page-level commands (the output folder, the colours and
// font of the capture text, the overlay picture, the external program, the option
// files, the counter reset) live here too. Controls carry their code names as
// object names.
#pragma once

#include <QTabWidget>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "triggers/automation.h"
#include "triggers/hotkeys.h"
#include "ui/choosers.h"
#include "ui/option_binding.h"
#include "ui/session.h"
#include "ui/ui_texts.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QRadioButton;
class QSpinBox;

namespace snaprill {

class KeyField;
class LinkLabel;

class OptionPages : public QTabWidget {
  Q_OBJECT

 public:
  OptionPages(Session& session, UiTexts& texts, Choosers& choosers, QWidget* parent = nullptr);
  ~OptionPages() override;
  OptionPages(const OptionPages&) = delete;
  OptionPages& operator=(const OptionPages&) = delete;

  // The Start/Stop link drives the automation from here on; until then it is off.
  // The automation outlives the pages.
  void connectAutomation(Automation& automation);
  // The hotkey fields switch the hotkeys off while they have the focus, from here on.
  void connectHotkeys(Hotkeys& hotkeys) { hotkeys_ = &hotkeys; }
  // In a Wayland session the General page says how the desktop's global shortcuts
  // stand where they do not simply work: the [Main] text `key` ("NoGlobalShortcuts",
  // "ShortcutsPending", ...), or nothing (nullptr).
  void showShortcutsNote(const char* key);

  // The capture history's group on the Settings page says where the index is and
  // offers "Forget all" (after a confirmation) from here on.
  void connectHistory(std::function<std::string()> indexPath, std::function<void()> forget);

  // The page of each kind, to bring forward.
  QWidget* generalPage() const { return generalPage_; }
  QWidget* gifPage() const { return gifPage_; }
  QWidget* tiffTgaBmpPage() const { return tiffTgaBmpPage_; }

  // The overlay picture as it is now (after a load or a settings load).
  void refreshOverlayPreview();

 signals:
  // The "?" of the auto-save rows.
  void helpRequested();

 private:
  QWidget* buildGeneralPage();
  QWidget* buildImagePage();
  QWidget* buildGifPage();
  QWidget* buildTiffTgaBmpPage();
  QWidget* buildDimensionsPage();
  QWidget* buildAutomationPage();
  QWidget* buildSettingsPage();
  QGroupBox* buildHistoryGroup();
  void addPage(QWidget* page, TextKey caption);

  // Commands of the pages.
  void useDefaultDirClicked();
  void useChosenDirClicked();
  void changeOutputDir();
  void chooseOptionFile(Option file);
  void chooseTextColour(Option colour);
  void chooseTextFont();
  void updateTextPreview();
  void loadOverlay();
  void clearOverlay();
  void browseExternalProgram();

  // Controls, bound to the model as they are made.
  QCheckBox* check(Option id, TextKey caption, const char* name);
  QRadioButton* radio(TextKey caption, const char* name);
  QSpinBox* number(Option id, const char* name);
  QComboBox* list(Option id, std::initializer_list<TextKey> entries, const char* name);
  QLineEdit* field(Option id, const char* name);
  QLabel* label(TextKey caption);
  // A caption beside a control: its Alt+letter key and its name for assistive
  // technology lead to the control.
  QLabel* label(TextKey caption, QWidget* buddy);
  // The control's name for assistive technology, where no caption of its own says
  // what it sets.
  void name(QWidget* control, std::vector<TextKey> parts, const QString& suffix = {});
  // A caption that wraps at a width of so many average characters.
  QLabel* wrappedLabel(TextKey caption, int widthInCharacters);
  LinkLabel* link(TextKey caption, const char* name);
  QGroupBox* group(TextKey caption, const char* name);
  KeyField* keyField(Option id, const char* name);
  // Number fields with their captions beside them, perRow to a row of layout from
  // firstRow on, each named after its group (owner) and its caption.
  struct NumberField {
    Option id;
    TextKey caption;
    const char* name;
  };
  void addNumberFields(QGridLayout* layout, int firstRow, TextKey owner,
                       std::initializer_list<NumberField> fields, int perRow,
                       Qt::Alignment captionAlignment = {});

  Session& session_;
  Options& options_;
  UiTexts& texts_;
  Choosers& choosers_;
  OptionBinding binding_;

  QWidget* generalPage_ = nullptr;
  QWidget* gifPage_ = nullptr;
  QWidget* tiffTgaBmpPage_ = nullptr;
  QLineEdit* captureTextField_ = nullptr;
  QLabel* overlayPreview_ = nullptr;
  QMenu* overlayMenu_ = nullptr;
  LinkLabel* startStopLink_ = nullptr;
  Automation* automation_ = nullptr;
  Hotkeys* hotkeys_ = nullptr;
  QLabel* shortcutsNote_ = nullptr;
  const char* shortcutsNoteKey_ = nullptr;
  QLabel* historyPlace_ = nullptr;
  LinkLabel* forgetHistoryLink_ = nullptr;
  // The caret of the prefix field, kept in place when the prefix is cleaned.
  int prefixCaret_ = 0;
  Callbacks::Id automationWatch_ = 0;
};

}  // namespace snaprill
