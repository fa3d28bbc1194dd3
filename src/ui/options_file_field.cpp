#include "ui/options_file_field.h"

#include <QMouseEvent>

#include "triggers/auto_save_file.h"

namespace snaprill {

OptionsFileField::OptionsFileField(Options& options, Dialogs& dialogs, const Texts& texts,
                                   Option field, QWidget* parent)
    : QLineEdit(parent),
      options_(options),
      dialogs_(dialogs),
      field_(field),
      watch_(options.watch(field, [this] { refresh(); })) {
  // Read-only keeps the text selectable while no key changes it.
  setReadOnly(true);
  setContextMenuPolicy(Qt::NoContextMenu);
  setToolTip(QString::fromStdString(texts.get("AutoSave", "OptHint")));
  refresh();
}

OptionsFileField::~OptionsFileField() {
  options_.unwatch(watch_);
}

void OptionsFileField::mouseReleaseEvent(QMouseEvent* event) {
  QLineEdit::mouseReleaseEvent(event);
  autoSaveFileClicked(options_, dialogs_, field_, event->button() == Qt::LeftButton);
}

void OptionsFileField::refresh() {
  setText(QString::fromStdString(options_.text(field_)));
}

}  // namespace snaprill
