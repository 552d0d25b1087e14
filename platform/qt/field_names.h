#pragma once

class QLabel;
class QWidget;

namespace dravik {

// A field's name for screen readers is the text of the label that names it: the label becomes its buddy (so the
// label's mnemonic reaches it) and the field's accessible name the label's text without "&" and a closing colon.
void NameFieldByLabel(QLabel* label, QWidget* field);

// Qt reads a combo box on Linux by its current item, whatever its name; after this call every combo box is read
// by its accessible name (else its label's, else still its item) with the item as its value. Needs the application
// object; more calls change nothing.
void NameComboBoxesByLabel();

}  // namespace dravik
