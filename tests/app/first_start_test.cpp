#include <QAbstractButton>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/first_start.h"
#include "app/language_dlg.h"
#include "app/settings_key.h"
#include "platform/dialog_template.h"
#include "platform/qt/dialog_builder.h"
#include "tests/common/scoped_env.h"

namespace dravik {
namespace {

TEST(FirstStartTest, AsksOnlyWhileNoLanguageIsStored) {
    // A Polish system: the dialog opens on "Polski".
    test::ScopedEnv system("LC_ALL", "pl_PL.UTF-8");
    struct Row {
        std::string stored;
        int clickedRadio;  // -1: none
        int answer;
        bool shown;
        bool cancelled;
        std::string storedAfter;
        std::map<int, std::string> texts;
    };
    const std::map<int, std::string> english{{1002, "Hide"}, {1006, "Show map"}};
    const std::vector<Row> rows = {
        {"", 1, kIdOk, true, false, "EN", english},
        {"", 0, kIdOk, true, false, "PL", {}},
        {"", -1, kIdOk, true, false, "PL", {}},
        {"", 1, kIdCancel, true, true, "PL", {}},  // cancel after a click on "English" still stores "PL"
        {"", -1, kIdCancel, true, true, "PL", {}},
        {"PL", 1, kIdOk, false, false, "PL", {}},
        {"EN", 0, kIdOk, false, false, "EN", english},
        {"XX", 1, kIdOk, false, false, "XX", {}},
        {"", 2, kIdOk, true, false, "DE", {{1002, "Ausblenden"}, {1006, "Karte zeigen"}}},
        {"DE", 0, kIdOk, false, false, "DE", {{1002, "Ausblenden"}, {1006, "Karte zeigen"}}},
    };
    for (const auto& row : rows) {
        {
            CSettingsKey key;
            key.m_strLang = row.stored;
        }
        bool shown = false;
        std::string setupLang = "-";
        std::map<int, std::string> texts;
        const bool cancelled = RunFirstStartStep(
            [&](int id, const std::string& text) { texts[id] = text; },
            [&](CLanguageDlg& dialog) {
                shown = true;
                dialog.OnInitDialog();
                if (row.clickedRadio >= 0) {
                    qobject_cast<QAbstractButton*>(FindControl(&dialog, 1007 + row.clickedRadio))->click();
                }
                if (row.answer == kIdOk) {
                    dialog.accept();
                } else {
                    dialog.reject();
                }
                return row.answer;
            },
            [&](const std::string& lang) { setupLang = lang; });
        EXPECT_EQ(shown, row.shown) << row.stored;
        EXPECT_EQ(cancelled, row.cancelled) << row.stored;
        EXPECT_EQ(UiLanguage(), row.storedAfter) << row.stored;
        EXPECT_EQ(texts, row.texts) << row.stored;
        // The further steps follow a language chosen here, in that language; a cancel or a stored language skips
        // them.
        EXPECT_EQ(setupLang, row.shown && !row.cancelled ? row.storedAfter : "-") << row.stored;
    }
    CSettingsKey reset;
    reset.m_strLang.clear();
}

// At the first start the dialog opens on the system's language; a stored one wins; a cancel stores the offered one.
TEST(FirstStartTest, OffersTheSystemsLanguage) {
    struct Row {
        const char* lcAll;
        std::string stored;
        int checked;
        bool cancel;
        std::string storedAfter;
    };
    const std::vector<Row> rows = {
        {"de_DE.UTF-8", "", 2, false, "DE"}, {"en_US.UTF-8", "", 1, false, "EN"},   {"fr_FR.UTF-8", "", 1, false, "EN"},
        {"de_AT.UTF-8", "", 2, true, "DE"},  {"de_DE.UTF-8", "PL", 0, false, "PL"},
    };
    for (const Row& row : rows) {
        test::ScopedEnv system("LC_ALL", row.lcAll);
        {
            CSettingsKey key;
            key.m_strLang = row.stored;
        }
        CLanguageDlg dialog;
        dialog.OnInitDialog();
        EXPECT_EQ(CheckedRadioIndex(&dialog, 1007), row.checked) << row.lcAll;
        if (row.stored.empty()) {
            RunFirstStartStep(
                {},
                [&](CLanguageDlg& shown) {
                    shown.OnInitDialog();
                    if (row.cancel) {
                        shown.reject();
                        return kIdCancel;
                    }
                    shown.accept();
                    return kIdOk;
                },
                [](const std::string&) {});
            EXPECT_EQ(UiLanguage(), row.storedAfter) << row.lcAll;
        }
    }
    CSettingsKey reset;
    reset.m_strLang.clear();
}

}  // namespace
}  // namespace dravik
