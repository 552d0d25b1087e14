#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/alert_settings_key.h"
#include "app/country_names.h"
#include "app/first_setup.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

TEST(FirstSetupTest, SystemLanguageFollowsTheCLibrarysOrder) {
    struct Row {
        std::map<std::string, std::string> env;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {{{"LANG", "de_DE.UTF-8"}}, "DE"},
        {{{"LANG", "pl_PL.UTF-8"}}, "PL"},
        {{{"LANG", "en_GB.UTF-8"}}, "EN"},
        {{{"LANG", "fr_FR.UTF-8"}}, "EN"},
        {{{"LANG", "C.UTF-8"}}, "EN"},
        {{{"LANG", "pl"}}, "PL"},
        {{{"LANG", "de@euro"}}, "DE"},
        {{}, "EN"},
        // LC_ALL over LC_MESSAGES over LANG; an empty one does not count.
        {{{"LC_ALL", "pl_PL.UTF-8"}, {"LC_MESSAGES", "de_DE"}, {"LANG", "en_US"}}, "PL"},
        {{{"LC_ALL", ""}, {"LC_MESSAGES", "de_DE"}, {"LANG", "pl_PL"}}, "DE"},
        {{{"LC_ALL", ""}, {"LC_MESSAGES", ""}, {"LANG", "pl_PL"}}, "PL"},
        {{{"LC_ALL", "C"}, {"LANG", "de_DE.UTF-8"}}, "EN"},
        // "plt" is no Polish, "deu" no German.
        {{{"LANG", "plt_MG"}}, "EN"},
    };
    for (const Row& row : rows) {
        const std::string code = SystemLanguageCode([&](const char* name) -> const char* {
            const auto it = row.env.find(name);
            return it == row.env.end() ? nullptr : it->second.c_str();
        });
        EXPECT_EQ(code, row.expected) << (row.env.empty() ? "" : row.env.begin()->second);
    }
}

QuakeEvent Quake(double magnitude, double latitude, double longitude) {
    QuakeEvent e;
    e.mag = FormatDecimal(magnitude);
    e.depth = "10";
    e.hasNumbers = true;
    e.magnitude = magnitude;
    e.latitude = latitude;
    e.longitude = longitude;
    return e;
}

// Each preset as its words promise it, judged by the alert rule with a home at Warsaw.
TEST(FirstSetupTest, PresetsAlertAsTheirWordsSay) {
    FoundPlace warsaw;
    warsaw.name = "Warsaw";
    warsaw.latitude = 52.23;
    warsaw.longitude = 21.01;
    struct Row {
        const char* what;
        QuakeEvent quake;
        bool every, nearAndStrong, onlyFelt;
    };
    const std::vector<Row> rows = {
        {"M 0.3 far away", Quake(0.3, 35.0, -118.0), true, false, false},
        // Stable continental crust carries shaking far: III at Warsaw from Kraków.
        {"M 5.2 250 km off, felt in the old crust", Quake(5.2, 50.06, 19.94), true, true, true},
        {"M 5.2 1,000 km off", Quake(5.2, 45.0, 12.0), true, false, false},
        {"M 6.6 on the far side of the world", Quake(6.6, -20.0, -175.0), true, true, false},
        {"M 4.5 under the town", Quake(4.5, 52.25, 21.0), true, true, true},
        {"M 3.0 under the town", Quake(3.0, 52.25, 21.0), true, true, true},
    };
    for (AlertPreset preset : {AlertPreset::EveryQuake, AlertPreset::NearAndStrong, AlertPreset::OnlyFelt}) {
        AlertSettings settings;
        // A user who chose the quiet way before: the preset puts its own rules in place.
        settings.globalMagnitude = 4.0;
        settings.notifyEnabled = false;
        SetHomeFromPlace(warsaw, &settings);
        ApplyAlertPreset(preset, &settings);
        // What is stored reads back as the same settings.
        AlertSettings stored;
        ASSERT_TRUE(SettingsFromForm(FormFromSettings(settings), &stored).empty());
        for (const Row& row : rows) {
            const bool expected = preset == AlertPreset::EveryQuake      ? row.every
                                  : preset == AlertPreset::NearAndStrong ? row.nearAndStrong
                                                                         : row.onlyFelt;
            const AlertDecision d = DecideAlert(row.quake, stored, 12 * 60);
            EXPECT_EQ(d.alert, expected) << static_cast<int>(preset) << ": " << row.what;
            if (preset == AlertPreset::NearAndStrong && d.alert) {
                EXPECT_TRUE(d.notify) << row.what;
            }
            if (preset == AlertPreset::EveryQuake) {
                EXPECT_TRUE(d.sound) << row.what;
            }
        }
    }
}

TEST(FirstSetupTest, FoundPlaceBecomesTheHomeAndReadsWithItsRegionAndCountry) {
    FoundPlace place;
    place.name = "Warsaw";
    place.region = "Mazovia";
    place.latitude = 52.22977;
    place.longitude = 21.01178;
    EXPECT_EQ(FoundPlaceText(place, "Poland"), "Warsaw, Mazovia, Poland");
    place.region = "Warsaw";
    EXPECT_EQ(FoundPlaceText(place, "Polska"), "Warsaw, Polska");
    place.region.clear();
    EXPECT_EQ(FoundPlaceText(place, "Polen"), "Warsaw, Polen");

    AlertSettings settings;
    SetHomeFromPlace(place, &settings);
    EXPECT_TRUE(settings.hasHome);
    EXPECT_DOUBLE_EQ(settings.homeLatitude, 52.22977);
    EXPECT_EQ(settings.homeName, "Warsaw");
    // A name longer than the settings keep is cut on a whole character and still stores.
    place.name = std::string(63, 'a') + "ł" + "b";
    SetHomeFromPlace(place, &settings);
    EXPECT_EQ(settings.homeName, std::string(63, 'a'));
    AlertSettings stored;
    EXPECT_TRUE(SettingsFromForm(FormFromSettings(settings), &stored).empty());
}

TEST(FirstSetupTest, CountriesAreNamedInTheInterfaceLanguage) {
    EXPECT_EQ(CountryName("PL", "EN"), "Poland");
    EXPECT_EQ(CountryName("PL", "PL"), "Polska");
    EXPECT_EQ(CountryName("PL", "DE"), "Polen");
    EXPECT_EQ(CountryName("JP", "DE"), "Japan");
    EXPECT_EQ(CountryName("US", "PL"), "Stany Zjednoczone");
    EXPECT_EQ(CountryName("ZZ", "PL"), "ZZ");
    // Without iso-codes, Qt's English names.
    SetIsoCodesRoot(test::MakeTempDir("no-iso-codes"));
    EXPECT_EQ(CountryName("PL", "PL"), "Poland");
    SetIsoCodesRoot("/usr/share");
}

}  // namespace
}  // namespace dravik
