// The options-file field of an auto-save row: shows the options file's path, which
// only the open dialog (left button) and clearing (any other button) change. Typing
// and the context menu do nothing.
#pragma once

#include <QLineEdit>

#include "options/options.h"
#include "options/texts.h"
#include "platform/services.h"

namespace snaprill {

class OptionsFileField : public QLineEdit {
  Q_OBJECT

 public:
  // field: Option::autoSave1File, autoSave2File or autoSave3File.
  OptionsFileField(Options& options, Dialogs& dialogs, const Texts& texts, Option field,
                   QWidget* parent = nullptr);
  ~OptionsFileField() override;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void refresh();

  Options& options_;
  Dialogs& dialogs_;
  Option field_;
  Options::WatchId watch_;
};

}  // namespace snaprill
