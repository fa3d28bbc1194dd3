// Keyboard keys (Alt+letter) for the captions of one window or menu. A language
// file may bring its own "&" in a caption, and those stay as the translator set
// them; every other caption gets a letter nobody in its scope uses yet, so that the
// program never makes two controls answer the same key.
#pragma once

#include <QString>
#include <QStringList>

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

// Marks a widget whose caption the program rewrites as it goes (a live example):
// it gets no key, which the next rewrite would take away again.
void keepWithoutMnemonic(QWidget* widget);

}  // namespace snaprill
