#include "mainwindow/ui_texts.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/common/fake_settings_storage.h"

namespace dravik {
namespace {

using test::FakeSettingsStorage;
using test::kFakeLangKey;

class UiTextsTest : public ::testing::Test {
protected:
    void SetLanguage(const std::string& lang) { m_storage.StoreText(kFakeLangKey, "lang", lang); }

    FakeSettingsStorage m_storage;
    test::ScopedSettingsStorage m_scoped{m_storage};
};

TEST_F(UiTextsTest, NumberedTextsFollowTheStoredLanguage) {
    struct Case {
        std::string lang;
        std::vector<std::string> texts;  // numbers 0 to 10
    };
    const std::vector<std::string> none(11, "");
    const Case cases[] = {
        {"PL",
         {"", "Mag", "Lokalizacja", "Data", "Godzina", "Szer.", "Dług.", "Zamknąć program?", "Pytanie", "Głęb.", ""}},
        {"EN", {"", "Mag", "Region", "Date", "Time", "Lat.", "Long.", "Close?", "Dravik", "Depth", ""}},
        {"pl", none},
        {"en", none},
        {"XX", none},
        {"", none},
        {"PL ", none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("lang '" + c.lang + "'");
        SetLanguage(c.lang);
        for (int number = 0; number <= 10; ++number) {
            EXPECT_EQ(GetUiText(number), c.texts[static_cast<size_t>(number)]) << "number " << number;
        }
    }
    EXPECT_EQ(GetUiText(-1), "");
}

TEST_F(UiTextsTest, LanguageIsReadAfreshAtEachCallAndWrittenBack) {
    SetLanguage("PL");
    EXPECT_EQ(GetUiText(2), "Lokalizacja");
    SetLanguage("EN");
    EXPECT_EQ(GetUiText(2), "Region");
    // Bytes after an inner NUL do not count, and the value is written back as text.
    m_storage.Store(kFakeLangKey, "lang", std::string("EN\0junk", 7), false);
    EXPECT_EQ(GetUiText(7), "Close?");
    EXPECT_EQ(m_storage.Stored(kFakeLangKey, "lang")->bytes, std::string("EN\0", 3));
}

TEST(UiTextsInPlaceTest, TextsChosenInPlace) {
    struct Case {
        std::string lang;
        std::string hide, showMap, tooltip;
        int trayMenu;
        std::string openingCaption;
    };
    const Case cases[] = {
        {"PL", "Schowaj", "Pokaż na mapie", "Dravik - monitoring sejsmiczny", 129, "Język programu (language)"},
        {"EN", "Hide", "Show map", "Dravik - earthquake monitor", 137, "Language"},
        {"pl", "Schowaj", "Pokaż na mapie", "", 0, "Język programu (language)"},
        {"XX", "Schowaj", "Pokaż na mapie", "", 0, "Język programu (language)"},
        {"", "Schowaj", "Pokaż na mapie", "", 0, "Język programu (language)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("lang '" + c.lang + "'");
        EXPECT_EQ(HideButtonText(c.lang), c.hide);
        EXPECT_EQ(ShowMapText(c.lang), c.showMap);
        EXPECT_EQ(TrayTooltip(c.lang), c.tooltip);
        EXPECT_EQ(TrayMenuId(c.lang), c.trayMenu);
        EXPECT_EQ(LanguageDialogOpeningCaption(c.lang), c.openingCaption);
    }
}

TEST(UiTextsInPlaceTest, VersionMessageIsPolishOnlyForPL) {
    EXPECT_EQ(VersionMessage("PL", "1.14", "1.15", "dravik.example"),
              "Posiadasz wersję 1.14 programu.\nDostępna jest nowa o numerze 1.15.\nDo pobrania na stronie "
              "dravik.example");
    for (const char* lang : {"EN", "pl", "XX", ""}) {
        EXPECT_EQ(VersionMessage(lang, "1.14", "1.15", "dravik.example"), "Updates available. Look on dravik.example")
            << lang;
    }
    // A version text from the server is shown as it is, never used as a format.
    EXPECT_EQ(VersionMessage("PL", "1.14", "%s%n", "h"),
              "Posiadasz wersję 1.14 programu.\nDostępna jest nowa o numerze %s%n.\nDo pobrania na stronie h");
}

TEST(UiTextsInPlaceTest, RestartMessageAndLanguageDialogFollowTheChosenButton) {
    EXPECT_EQ(RestartMessage(0), "Uruchom program ponownie");
    EXPECT_EQ(RestartMessage(1), "Please restart application");
    const LanguageDialogTexts polish = LanguageDialogTextsFor(0);
    EXPECT_EQ(polish.caption, "Język programu (language)");
    EXPECT_EQ(polish.okText, "Dalej");
    EXPECT_EQ(polish.cancelText, "Zakończ");
    const LanguageDialogTexts english = LanguageDialogTextsFor(1);
    EXPECT_EQ(english.caption, "Language");
    EXPECT_EQ(english.okText, "Next");
    EXPECT_EQ(english.cancelText, "Cancel");
}

}  // namespace
}  // namespace dravik
