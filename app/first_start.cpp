#include "app/first_start.h"

#include "app/application_look.h"
#include "app/language_dlg.h"
#include "app/settings_key.h"
#include "app/setup_dlg.h"
#include "app/ui_texts.h"
#include "platform/dialog_template.h"
#include "resources/translations.h"

namespace dravik {

bool RunFirstStartStep(const ControlTextSetter& setItemText, const LanguageDialogRunner& runDialog,
                       const SetupRunner& runSetup) {
    bool cancelled = false;
    bool asked = false;
    // The key is released last, so the choice made here is what is stored.
    CSettingsKey key;
    {
        CLanguageDlg dialog;
        if (key.m_strLang.empty()) {
            asked = true;
            const int result = runDialog ? runDialog(dialog) : dialog.DoModal();
            cancelled = result == kIdCancel;
            // After a cancel the dialog still holds its initial index (the system's language), which is stored.
            if (dialog.m_nLanguage >= 0 && dialog.m_nLanguage < static_cast<int>(AvailableLanguages().size())) {
                key.m_strLang = LanguageCode(dialog.m_nLanguage);
            }
        }
    }
    if (key.m_strLang != kLangPolish && IsKnownLanguage(key.m_strLang) && setItemText) {
        setItemText(1002, HideButtonText(key.m_strLang));
        setItemText(1006, ShowMapText(key.m_strLang));
    }
    // Qt's own texts (the close question's buttons) follow the language chosen here for the rest of the run.
    ApplyQtTranslations(key.m_strLang);
    if (asked && !cancelled) {
        if (runSetup) {
            runSetup(key.m_strLang);
        } else {
            RunFirstStartSetup(key.m_strLang);
        }
    }
    return cancelled;
}

}  // namespace dravik
