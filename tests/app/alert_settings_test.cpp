// The alert settings as stored: defaults, bad values, places, and what reads back.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <clocale>
#include <set>

#include <gtest/gtest.h>

#include "app/alert_settings_key.h"
#include "app/notice_urgency.h"
#include "app/place_dlg.h"
#include "app/settings_dlg.h"
#include "app/ui_texts.h"
#include "controls/palette_colours.h"
#include "tests/common/fake_settings_storage.h"
#include "tests/common/scoped_tz.h"

namespace dravik {
namespace {

using test::FakeSettingsStorage;
using test::kFakeLangKey;

std::string StoredText(const FakeSettingsStorage& storage, const char* name) {
    auto value = storage.Stored(kFakeLangKey, name);
    if (!value) {
        return "<missing>";
    }
    const std::size_t end = value->bytes.find('\0');
    return value->bytes.substr(0, end);
}

TEST(AlertSettingsKeyTest, NothingStoredGivesTheDefaultsAndReadingWritesNothing) {
    FakeSettingsStorage storage;
    CAlertSettingsKey key(storage);
    const AlertSettings& s = key.m_settings;
    EXPECT_EQ(s.globalMagnitude, 0.0);
    EXPECT_FALSE(s.hasHome);
    EXPECT_FALSE(s.quietEnabled);
    EXPECT_EQ(s.quietFromMinute, 22 * 60);
    EXPECT_EQ(s.quietToMinute, 7 * 60);
    EXPECT_EQ(s.wakeMagnitude, 6.5);
    EXPECT_TRUE(s.notifyEnabled);
    EXPECT_EQ(s.notifyMinMagnitude, 5.0);
    EXPECT_TRUE(s.sequenceEnabled);
    EXPECT_FALSE(s.sequenceSound);
    EXPECT_EQ(s.sequenceMinMagnitude, 5.0);
    EXPECT_EQ(s.timeDisplay, TimeDisplay::Local);
    EXPECT_TRUE(key.m_unreadable.empty());
    EXPECT_EQ(storage.m_nWrites, 0);
}

TEST(AlertSettingsKeyTest, UnreadableStoredValuesFallBackToTheirDefaultAndAreRewrittenOnSave) {
    struct Case {
        const char* name;
        const char* stored;
        bool readable;
        const char* rewritten;  // what Save writes back after a plain load
    };
    const Case cases[] = {
        {kAlertGlobalMagnitude, "5.5", true, "5.5"},
        {kAlertGlobalMagnitude, "5,5", false, "0.0"},  // stored numbers use a dot
        {kAlertGlobalMagnitude, "-1", false, "0.0"},
        {kAlertGlobalMagnitude, "abc", false, "0.0"},
        {kAlertRadiusKm, "250", true, "250.0"},
        {kAlertRadiusKm, "-5", false, "0.0"},
        {kQuietEnabled, "true", true, "true"},
        {kQuietEnabled, "yes", false, "false"},
        {kQuietFrom, "7:05", true, "07:05"},
        {kQuietFrom, "24:00", false, "22:00"},
        {kQuietWakeMagnitude, "nan", false, "6.5"},
        {kNotifyEnabled, "0", true, "false"},
        {kNotifyMinMagnitude, "", false, "5.0"},
        {kSequenceSound, "true", true, "true"},
        {kSequenceSound, "loud", false, "false"},
        // Read only: kept as stored.
        {kSequenceEnabled, "maybe", false, "maybe"},
        {kSequenceMinMagnitude, "11", false, "11"},
        {kDisplayTime, "utc", true, "utc"},
        {kDisplayTime, "UTC", false, "local"},
        // A stored choice stays, the old default included.
        {kDisplayTime, "classic", true, "classic"},
        {kHomeLatitude, "91", false, ""},  // no longitude either: no home
    };
    for (const Case& c : cases) {
        FakeSettingsStorage storage;
        storage.StoreText(kFakeLangKey, c.name, c.stored);
        CAlertSettingsKey key(storage);
        EXPECT_EQ(key.m_unreadable.empty(), c.readable) << c.name << "=" << c.stored;
        key.Save();
        EXPECT_EQ(StoredText(storage, c.name), c.rewritten) << c.name << "=" << c.stored;
    }
}

TEST(AlertSettingsKeyTest, TheSequenceValuesThatAreOnlyReadAreRead) {
    FakeSettingsStorage storage;
    storage.StoreText(kFakeLangKey, kSequenceEnabled, "false");
    storage.StoreText(kFakeLangKey, kSequenceMinMagnitude, "6.0");
    const CAlertSettingsKey key(storage);
    EXPECT_FALSE(key.m_settings.sequenceEnabled);
    EXPECT_EQ(key.m_settings.sequenceMinMagnitude, 6.0);
    EXPECT_TRUE(key.m_unreadable.empty());
}

TEST(AlertSettingsKeyTest, AHomeNeedsBothCoordinatesInRange) {
    struct Case {
        const char* lat;
        const char* lon;
        bool home;
    };
    const Case cases[] = {{"52.23", "21.01", true}, {"-90", "180", true}, {"52.23", "", false},
                          {"", "21.01", false},     {"90.5", "0", false}, {"0", "-180.01", false}};
    for (const Case& c : cases) {
        FakeSettingsStorage storage;
        storage.StoreText(kFakeLangKey, kHomeLatitude, c.lat);
        storage.StoreText(kFakeLangKey, kHomeLongitude, c.lon);
        const AlertSettings s = CAlertSettingsKey(storage).m_settings;
        EXPECT_EQ(s.hasHome, c.home) << c.lat << "," << c.lon;
    }
}

// The list's span and size: whole days from one, rows from a hundred; anything else keeps the default.
TEST(AlertSettingsKeyTest, TheListBoundsReadOnlySensibleValues) {
    struct Case {
        const char* name;
        const char* stored;
        int days;
        int rows;
        bool readable;
    };
    const Case cases[] = {
        {nullptr, nullptr, 7, 5000, true},     {kListDays, "3", 3, 5000, true},
        {kListDays, "0", 7, 5000, false},      {kListDays, "1.5", 7, 5000, false},
        {kListDays, "-2", 7, 5000, false},     {kListMaxRows, "100", 7, 100, true},
        {kListMaxRows, "99", 7, 5000, false},  {kListMaxRows, "20000", 7, 20000, true},
        {kListMaxRows, "1e9", 7, 5000, false}, {kListMaxRows, "many", 7, 5000, false},
    };
    for (const Case& c : cases) {
        FakeSettingsStorage storage;
        if (c.name != nullptr) {
            storage.StoreText(kFakeLangKey, c.name, c.stored);
        }
        CAlertSettingsKey key(storage);
        const std::string what = c.stored != nullptr ? c.stored : "";
        EXPECT_EQ(key.m_settings.listDays, c.days) << what;
        EXPECT_EQ(key.m_settings.listMaxRows, c.rows) << what;
        EXPECT_EQ(key.m_unreadable.empty(), c.readable) << what;
        // Read only: a save leaves the stored text as it was.
        key.Save();
        if (c.name != nullptr) {
            EXPECT_EQ(StoredText(storage, c.name), c.stored);
        }
    }
}

TEST(AlertSettingsKeyTest, PlacesAreAnArrayAsQSettingsWritesOneAndBadEntriesAreLeftOut) {
    FakeSettingsStorage storage;
    AlertSettings s;
    s.places = {{"Tulsa", 36.15, -95.99}, {"Kraków", 50.06, 19.94}};
    s.minIntensity = 4;
    {
        CAlertSettingsKey key(storage);
        key.m_settings = s;
        key.Save();
    }
    EXPECT_EQ(StoredText(storage, "places/size"), "2");
    EXPECT_EQ(StoredText(storage, "places/1/name"), "Tulsa");
    EXPECT_EQ(StoredText(storage, "places/2/longitude"), "19.94");
    EXPECT_EQ(StoredText(storage, kAlertMinIntensity), "4");
    const AlertSettings r = CAlertSettingsKey(storage).m_settings;
    ASSERT_EQ(r.places.size(), 2u);
    EXPECT_EQ(r.places[1].name, "Kraków");
    EXPECT_EQ(r.places[0].latitude, 36.15);
    EXPECT_EQ(r.minIntensity, 4);
    EXPECT_EQ(AllPlaces(r).size(), 2u) << "no home";

    // A hand-edited file: an entry without a longitude, one without a name, a level beyond the scale, more
    // entries than kept.
    FakeSettingsStorage edited;
    edited.StoreText(kFakeLangKey, "places/size", "12");
    for (int i = 1; i <= 12; ++i) {
        const std::string prefix = "places/" + std::to_string(i) + "/";
        edited.StoreText(kFakeLangKey, prefix + "name", i == 2 ? " " : "P" + std::to_string(i));
        edited.StoreText(kFakeLangKey, prefix + "latitude", "10");
        if (i != 3) {
            edited.StoreText(kFakeLangKey, prefix + "longitude", "20,5");
        }
    }
    edited.StoreText(kFakeLangKey, kAlertMinIntensity, "13");
    const CAlertSettingsKey key(edited);
    ASSERT_EQ(key.m_settings.places.size(), kMaxOtherPlaces);
    EXPECT_EQ(key.m_settings.places[0].name, "P1");
    EXPECT_EQ(key.m_settings.places[1].name, "P4");
    EXPECT_EQ(key.m_settings.places[1].longitude, 20.5);
    EXPECT_EQ(key.m_settings.minIntensity, 0);
    EXPECT_EQ(key.m_unreadable.size(), 3u);
}

TEST(AlertSettingsKeyTest, SavedSettingsReadBackTheSame) {
    FakeSettingsStorage storage;
    AlertSettings s;
    s.globalMagnitude = 4.25;
    s.nearMagnitude = 2.0;
    s.radiusKm = 300.0;
    s.hasHome = true;
    s.homeLatitude = -33.8688;
    s.homeLongitude = 151.2093;
    s.homeName = "Łódź";
    s.quietEnabled = true;
    s.quietFromMinute = 23 * 60 + 30;
    s.quietToMinute = 6 * 60;
    s.wakeMagnitude = 7.0;
    s.notifyEnabled = false;
    s.notifyMinMagnitude = 0.0;
    s.sequenceSound = true;
    s.timeDisplay = TimeDisplay::Local;
    s.sources = "https://a.example/fdsn?format=text http://b.example/all_hour.geojson";
    {
        CAlertSettingsKey key(storage);
        key.m_settings = s;
        key.Save();
    }
    EXPECT_EQ(StoredText(storage, kHomeLatitude), "-33.8688");
    EXPECT_EQ(StoredText(storage, kQuietFrom), "23:30");
    EXPECT_EQ(StoredText(storage, kDisplayTime), "local");
    const AlertSettings r = CAlertSettingsKey(storage).m_settings;
    EXPECT_EQ(r.globalMagnitude, 4.25);
    EXPECT_EQ(r.radiusKm, 300.0);
    EXPECT_TRUE(r.hasHome);
    EXPECT_EQ(r.homeLatitude, -33.8688);
    EXPECT_EQ(r.homeLongitude, 151.2093);
    EXPECT_EQ(r.homeName, "Łódź");
    EXPECT_TRUE(r.quietEnabled);
    EXPECT_EQ(r.quietFromMinute, 23 * 60 + 30);
    EXPECT_EQ(r.quietToMinute, 6 * 60);
    EXPECT_FALSE(r.notifyEnabled);
    EXPECT_TRUE(r.sequenceSound);
    EXPECT_EQ(r.notifyMinMagnitude, 0.0);
    EXPECT_EQ(r.timeDisplay, TimeDisplay::Local);
    EXPECT_EQ(r.sources, s.sources);
    // The language, kept in the same key, is not touched.
    EXPECT_FALSE(storage.Stored(kFakeLangKey, kLangValueName));
}

TEST(AlertSettingsKeyTest, NumbersAreWrittenWithADotWhateverTheLocale) {
    // The process locale of a Polish desktop writes "5,5" through printf; the stored form must not change.
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old != nullptr ? old : "C";
    const bool polish = std::setlocale(LC_NUMERIC, "pl_PL.UTF-8") != nullptr;
    EXPECT_EQ(FormatDecimal(5.5), "5.5");
    EXPECT_EQ(FormatDecimal(0.0), "0.0");
    EXPECT_EQ(FormatDecimal(250.0), "250.0");
    EXPECT_EQ(FormatDecimal(-0.0), "0.0");
    double read = 0.0;
    EXPECT_TRUE(ReadDecimal("5.5", &read));
    EXPECT_EQ(read, 5.5);
    std::setlocale(LC_NUMERIC, saved.c_str());
    if (!polish) {
        GTEST_LOG_(INFO) << "pl_PL.UTF-8 is not installed; checked in the current locale only";
    }
}

}  // namespace
}  // namespace dravik
