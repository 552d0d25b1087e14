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
        std::vector<std::string> texts;  // numbers 0 to 12
    };
    const std::vector<std::string> none(13, "");
    const Case cases[] = {
        {"PL",
         {"", "Mag", "Lokalizacja", "Data", "Godzina", "Szer.", "Dług.", "Zamknąć program?", "Pytanie", "Głęb.",
          "Odległość", "Odczuwalność", ""}},
        {"EN",
         {"", "Mag", "Region", "Date", "Time", "Lat.", "Long.", "Quit Dravik?", "Dravik", "Depth", "Distance",
          "Shaking", ""}},
        {"pl", none},
        {"en", none},
        {"XX", none},
        {"", none},
        {"PL ", none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("lang '" + c.lang + "'");
        SetLanguage(c.lang);
        for (int number = 0; number <= 12; ++number) {
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
    EXPECT_EQ(GetUiText(7), "Quit Dravik?");
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

// German through its translation: the words' order is the translation's, and values never act as its marks.
TEST(UiTextsInPlaceTest, GermanTextsWithValues) {
    const struct {
        std::string got;
        const char* expected;
    } rows[] = {
        {DistanceText("DE", 1240.4, 135, ""), "1 240 km südöstlich von Zuhause"},
        {DistanceText("EN", 12, 0, "%2"), "12 km N of %2"},
        {ChartDayLabel("DE", 3, 5), "5. Mär"},
        {ChartDayLabel("EN", 3, 5), "Mar 5"},
        {MoreEarthquakesText("DE", 1), "1 weiteres Erdbeben"},
        {MoreEarthquakesText("DE", 22), "22 weitere Erdbeben"},
        {MoreEarthquakesText("EN", 5), "5 more earthquakes"},
        {RevisedText("DE", "5.3", "4.8"), "korrigiert auf M 5.3 (vorher M 4.8)"},
        {VersionMessage("DE", "1.14", "%3%1", "h"),
         "Sie haben Version 1.14 des Programms.\nEine neue Version %3%1 ist verfügbar.\nDownload unter h"},
        {VersionMessage("EN", "1.14", "1.15", "%1%2"), "Updates available. Look on %1%2"},
        {TrayCloseQuestion("DE"), "Programm beenden?"},
        {ArchiveProblemText("DE", ArchiveFault::kDiskFull), "Archiv nicht verfügbar: Datenträger voll"},
        {UiTextFor("DE", 2), "Region"},
        {TrayTooltip("DE"), "Dravik - Erdbebenmonitor"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.got, row.expected);
    }
    EXPECT_EQ(TrayMenuId("DE"), 129);  // the Polish menu, translated as it is built
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
