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

namespace dravik {
namespace {

TEST(FirstStartTest, AsksOnlyWhileNoLanguageIsStored) {
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
            });
        EXPECT_EQ(shown, row.shown) << row.stored;
        EXPECT_EQ(cancelled, row.cancelled) << row.stored;
        EXPECT_EQ(UiLanguage(), row.storedAfter) << row.stored;
        EXPECT_EQ(texts, row.texts) << row.stored;
    }
    CSettingsKey reset;
    reset.m_strLang.clear();
}

}  // namespace
}  // namespace dravik
