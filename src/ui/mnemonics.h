// Keyboard keys (Alt+letter) for the captions of one window or menu. A language
// file may bring its own "&" in a caption, and those stay as the translator set
// them; every other caption gets a letter nobody in its scope uses yet, so that the
// program never makes two controls answer the same key.
#pragma once

#include <QString>
#include <QStringList>

class QAbstractButton;
class QMenu;
class QWidget;

namespace snaprill {

// The letter a caption's "&" marks (lower case), or none.
QChar mnemonicOf(const QString& caption);

// The captions with an "&" added where they had none: before the first letter of a
// word not yet taken (in reserved or by an earlier caption), else before any such
// letter; a caption without a free letter stays as it is. The letters used are
// added to reserved.
QStringList withMnemonics(const QStringList& captions, QString& reserved);

// The same for the check boxes, radio buttons, push buttons and labels with a
// buddy below scope whose captions come from the language file alone.
void addMnemonics(QWidget* scope, QString& reserved);
void addMnemonics(QMenu* menu);

// Sets the caption of a button the program rewrites as it goes (a live example in
// it): the key addMnemonics gave it stays through every rewrite, and the next
// addMnemonics chooses from the caption without it.
void setCaptionKeepingKey(QAbstractButton* button, const QString& caption);

}  // namespace snaprill
