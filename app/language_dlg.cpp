#include "app/language_dlg.h"

#include <QAbstractButton>
#include <QString>
#include <algorithm>
#include <vector>

#include "app/first_setup.h"
#include "app/settings_key.h"
#include "app/ui_texts.h"
#include "platform/qt/dialog_builder.h"
#include "resources/resource_tables.h"

namespace dravik {
namespace {

constexpr int kRadioPolish = 1007;
constexpr int kRadioEnglish = 1008;
// Dialog units between the frame's edges and the first and last radio buttons.
constexpr int kLanguageMargin = 10;

}  // namespace

bool ChoiceChangesLanguage(const std::string& storedLang, int languageIndex) {
    return LanguageCode(languageIndex) != storedLang;
}

DialogTemplate LanguageDialogTemplate() {
    const DialogTemplate* tmpl = FindDialogTemplate(kDialogLanguage);
    if (tmpl == nullptr) {
        return {};
    }
    DialogTemplate dialog = *tmpl;
    const std::vector<LanguageInfo>& languages = AvailableLanguages();
    if (languages.size() <= 2) {
        return dialog;
    }
    // One radio button a language, spread evenly over the frame's width.
    const auto radio = std::find_if(dialog.controls.begin(), dialog.controls.end(),
                                    [](const DialogControl& c) { return c.id == kRadioEnglish; });
    if (radio == dialog.controls.end()) {
        return dialog;
    }
    const DialogControl english = *radio;
    const int count = static_cast<int>(languages.size());
    const int step = (dialog.w - 2 * kLanguageMargin) / count;
    auto at = dialog.controls.insert(radio + 1, static_cast<std::size_t>(count - 2), english);
    for (int i = 2; i < count; ++i, ++at) {
        at->id = kRadioPolish + i;
        at->text = languages[static_cast<std::size_t>(i)].name;
    }
    for (DialogControl& control : dialog.controls) {
        if (control.kind == ControlKind::Radio) {
            const int i = control.id - kRadioPolish;
            control.x = kLanguageMargin + i * step;
            control.w = step - 4;
            if (i > 0) {
                control.text = languages[static_cast<std::size_t>(i)].name;
            }
        }
    }
    return dialog;
}

CLanguageDlg::CLanguageDlg(QWidget* parent) : QDialog(parent) {
    BuildDialog(this, LanguageDialogTemplate());
    const int count = static_cast<int>(AvailableLanguages().size());
    for (int i = 0; i < count; ++i) {
        if (auto* radio = qobject_cast<QAbstractButton*>(FindControl(this, kRadioPolish + i))) {
            connect(radio, &QAbstractButton::clicked, this, [this, i] { SetTexts(i); });
        }
    }
}

CLanguageDlg::~CLanguageDlg() = default;

int CLanguageDlg::DoModal() {
    OnInitDialog();
    return exec() == QDialog::Accepted ? kIdOk : kIdCancel;
}

void CLanguageDlg::OnInitDialog() {
    CSettingsKey key;
    // While none is stored (the first start), the system's language is offered.
    const int index = LanguageIndex(key.m_strLang.empty() ? SystemLanguageCode() : key.m_strLang);
    if (index >= 0) {
        m_nLanguage = index;
        SetTexts(index);
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
