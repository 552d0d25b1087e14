#pragma once

#include <QDialog>

// The small dialog in which the user picks the interface language; the caller stores the choice.
#include <string>

namespace dravik {

struct DialogTemplate;

// The dialog's table with one radio button a language that has a translation (ids 1007, 1008, ... in the
// order of AvailableLanguages()), each named in its own language.
DialogTemplate LanguageDialogTemplate();

// Whether a choice in the dialog (0 "Polski", 1 "English", 2 "Deutsch") changes the stored language; choosing the one
// in use changes nothing and needs no restart.
bool ChoiceChangesLanguage(const std::string& storedLang, int languageIndex);

class CLanguageDlg final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CLanguageDlg)

public:
    explicit CLanguageDlg(QWidget* parent = nullptr);
    ~CLanguageDlg() override;

    // Runs the dialog: kIdOk (button 1, Enter) with m_nLanguage the checked radio button, or kIdCancel
    // (button 2, Esc, the close box) with m_nLanguage as the initialisation left it.
    int DoModal();

    // Reads the stored language into the radio buttons, and shows the texts in it; DoModal runs it.
    void OnInitDialog();
    void OnPolishClicked();
    void OnEnglishClicked();

    void accept() override;

    // The place of the language in AvailableLanguages(): 0 "Polski", 1 "English", 2 "Deutsch".
    int m_nLanguage = 0;

private:
    void UpdateData(bool saveAndValidate);
    void SetTexts(int languageIndex);
};

}  // namespace dravik
