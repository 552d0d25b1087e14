#pragma once

#include <QSet>
#include <QString>

class QWidget;

namespace dravik {

// The text with a mnemonic (an "&" before a letter) whose letter is not in used, which it is added to: the
// first free first letter of a word, else the first free letter. A text that has one keeps it (and takes its
// letter); one without a free letter stays without. "&&" is a literal ampersand.
QString WithMnemonic(const QString& text, QSet<QChar>* used);

// Gives every label that names a field, and every check box, radio button and push button among root's
// descendants, a mnemonic not in used, in the order they were made (the order the eye reads a form).
void GiveMnemonics(QWidget* root, QSet<QChar>* used);

}  // namespace dravik
