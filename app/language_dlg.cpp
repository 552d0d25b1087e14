#include "app/language_dlg.h"

#include <QAbstractButton>
#include <QString>

#include "app/settings_key.h"
#include "app/ui_texts.h"
#include "platform/qt/dialog_builder.h"
#include "resources/resource_tables.h"

namespace dravik {
namespace {

constexpr int kRadioPolish = 1007;
constexpr int kRadioEnglish = 1008;

}  // namespace

bool ChoiceChangesLanguage(const std::string& storedLang, int languageIndex) {
    return !((languageIndex == 0 && storedLang == kLangPolish) || (languageIndex == 1 && storedLang == kLangEnglish));
}

CLanguageDlg::CLanguageDlg(QWidget* parent) : QDialog(parent) {
    if (const DialogTemplate* tmpl = FindDialogTemplate(kDialogLanguage)) {
        BuildDialog(this, *tmpl);
    }
    if (auto* polish = qobject_cast<QAbstractButton*>(FindControl(this, kRadioPolish))) {
        connect(polish, &QAbstractButton::clicked, this, &CLanguageDlg::OnPolishClicked);
    }
    if (auto* english = qobject_cast<QAbstractButton*>(FindControl(this, kRadioEnglish))) {
        connect(english, &QAbstractButton::clicked, this, &CLanguageDlg::OnEnglishClicked);
    }
}

CLanguageDlg::~CLanguageDlg() = default;

int CLanguageDlg::DoModal() {
    OnInitDialog();
    return exec() == QDialog::Accepted ? kIdOk : kIdCancel;
}

void CLanguageDlg::OnInitDialog() {
    CSettingsKey key;
    if (key.m_strLang == "PL") {
        m_nLanguage = 0;
    } else if (key.m_strLang == "EN") {
        m_nLanguage = 1;
        // Only the caption: the buttons keep their Polish texts until a radio button is clicked.
        setWindowTitle(QString::fromStdString(LanguageDialogOpeningCaption(key.m_strLang)));
    }
    UpdateData(false);
}

void CLanguageDlg::OnPolishClicked() {
    SetTexts(0);
}

void CLanguageDlg::OnEnglishClicked() {
    SetTexts(1);
}

void CLanguageDlg::accept() {
    UpdateData(true);
    QDialog::accept();
}

void CLanguageDlg::UpdateData(bool saveAndValidate) {
    if (saveAndValidate) {
        m_nLanguage = CheckedRadioIndex(this, kRadioPolish);
    } else {
        SetCheckedRadioIndex(this, kRadioPolish, m_nLanguage);
    }
}

void CLanguageDlg::SetTexts(int languageIndex) {
    // The texts follow the clicked radio button, not the stored language.
    const LanguageDialogTexts texts = LanguageDialogTextsFor(languageIndex);
    if (auto* ok = qobject_cast<QAbstractButton*>(FindControl(this, kIdOk))) {
        ok->setText(QString::fromStdString(texts.okText));
    }
    if (auto* cancel = qobject_cast<QAbstractButton*>(FindControl(this, kIdCancel))) {
        cancel->setText(QString::fromStdString(texts.cancelText));
    }
    setWindowTitle(QString::fromStdString(texts.caption));
}

}  // namespace dravik
