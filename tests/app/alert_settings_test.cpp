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

TEST(SettingsDlgTest, BadValuesAreMarkedAndRefusedGoodOnesAccepted) {
    struct Case {
        const char* name;
        AlertField field;
        const char* text;
        bool accepted;
    };
    const Case cases[] = {
        {"latitude 91", AlertField::Latitude, "91", false},
        {"radius -5", AlertField::RadiusKm, "-5", false},
        {"letters", AlertField::GlobalMagnitude, "five", false},
        {"quiet from 25:00", AlertField::QuietFrom, "25:00", false},
        {"magnitude above 10", AlertField::NotifyMinMagnitude, "11", false},
        {"comma as decimal point", AlertField::GlobalMagnitude, "4,5", true},
        {"latitude -90", AlertField::Latitude, "-90", true},
        {"a source that is no web address", AlertField::Sources, "ftp://example.org/events", false},
        {"two sources", AlertField::Sources, " https://a.example/q  http://b.example/feed.geojson", true},
    };
    for (const Case& c : cases) {
        AlertSettings start;
        start.hasHome = true;
        start.homeLatitude = 52.23;
        start.homeLongitude = 21.01;
        CSettingsDlg dlg(start, "EN");
        dlg.Field(c.field)->setText(QString::fromLatin1(c.text));
        dlg.accept();
        EXPECT_EQ(dlg.result() == QDialog::Accepted, c.accepted) << c.name;
        EXPECT_EQ(dlg.IsMarked(c.field), !c.accepted) << c.name;
        EXPECT_EQ(dlg.ErrorLabel()->isVisibleTo(&dlg), !c.accepted) << c.name;
        if (!c.accepted) {
            // Nothing of a refused form is taken.
            EXPECT_EQ(dlg.Settings().homeLatitude, 52.23) << c.name;
            EXPECT_EQ(dlg.Settings().globalMagnitude, 0.0) << c.name;
            // Corrected, the form is taken and the mark goes.
            dlg.Field(c.field)->setText(QString::fromStdString(FormFromSettings(start).globalMagnitude));
            if (c.field == AlertField::Latitude) {
                dlg.Field(c.field)->setText(QStringLiteral("52.23"));
            } else if (c.field == AlertField::Sources) {
                dlg.Field(c.field)->setText(QString());
            } else if (c.field == AlertField::QuietFrom) {
                dlg.Field(c.field)->setText(QStringLiteral("22:00"));
            }
            dlg.accept();
            EXPECT_EQ(dlg.result(), QDialog::Accepted) << c.name;
            EXPECT_FALSE(dlg.IsMarked(c.field)) << c.name;
        }
    }
}

TEST(SettingsDlgTest, OkTakesEveryFieldCancelNone) {
    AlertSettings start;
    CSettingsDlg dlg(start, "PL");
    EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("Ustawienia"));
    EXPECT_EQ(dlg.Field(AlertField::Latitude)->text(), QString());
    EXPECT_EQ(dlg.Field(AlertField::GlobalMagnitude)->text(), QStringLiteral("0.0"));
    dlg.Field(AlertField::GlobalMagnitude)->setText(QStringLiteral("5.0"));
    dlg.Field(AlertField::Latitude)->setText(QStringLiteral("52.23"));
    dlg.Field(AlertField::Longitude)->setText(QStringLiteral("21.01"));
    dlg.Field(AlertField::RadiusKm)->setText(QStringLiteral("300"));
    dlg.Field(AlertField::HomeName)->setText(QStringLiteral("  Warszawa "));
    dlg.QuietBox()->setChecked(true);
    dlg.NotifyBox()->setChecked(false);
    dlg.SequenceSoundBox()->setChecked(true);
    dlg.TimeBox()->setCurrentIndex(2);

    CSettingsDlg cancelled(start, "PL");
    cancelled.Field(AlertField::GlobalMagnitude)->setText(QStringLiteral("5.0"));
    cancelled.reject();
    EXPECT_EQ(cancelled.Settings().globalMagnitude, 0.0);

    dlg.accept();
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    const AlertSettings& s = dlg.Settings();
    EXPECT_EQ(s.globalMagnitude, 5.0);
    EXPECT_TRUE(s.hasHome);
    EXPECT_EQ(s.homeLatitude, 52.23);
    EXPECT_EQ(s.radiusKm, 300.0);
    EXPECT_EQ(s.homeName, "Warszawa");
    EXPECT_TRUE(s.quietEnabled);
    EXPECT_FALSE(s.notifyEnabled);
    EXPECT_TRUE(s.sequenceSound);
    EXPECT_EQ(s.timeDisplay, TimeDisplay::Utc);
}

TEST(SettingsDlgTest, PlacesAreAddedEditedAndRemovedAndTheShakingRuleChosen) {
    AlertSettings start;
    start.places = {{"Tulsa", 36.15, -95.99}};
    start.minIntensity = 4;
    CSettingsDlg dlg(start, "EN");
    ASSERT_EQ(dlg.PlaceList()->count(), 1);
    EXPECT_EQ(dlg.PlaceList()->item(0)->text(), QStringLiteral("Tulsa (36.15, -95.99)"));
    EXPECT_EQ(dlg.IntensityBox()->currentText(), QStringLiteral("IV – Light"));
    EXPECT_EQ(dlg.IntensityBox()->itemText(0), QStringLiteral("never (magnitude only)"));
    EXPECT_EQ(dlg.IntensityBox()->count(), 13);

    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(dlg.AddPlace({"P" + std::to_string(i), 1.0 * i, 2.0}), i < 8) << i;
    }
    EXPECT_EQ(dlg.Places().size(), kMaxOtherPlaces);
    dlg.PlaceList()->setCurrentRow(0);
    dlg.RenameSelectedPlace("  Oklahoma City ");
    dlg.RenameSelectedPlace("");  // refused: a place has a name
    dlg.PlaceList()->setCurrentRow(1);
    dlg.RemoveSelectedPlace();
    dlg.IntensityBox()->setCurrentIndex(0);

    // The place dialog takes only what reads.
    CPlaceDlg place(Place{"", 48.5, 9.1}, true, "EN");
    EXPECT_EQ(place.LatitudeField()->text(), QStringLiteral("48.5"));
    EXPECT_FALSE(place.OkButton()->isEnabled()) << "no name";
    EXPECT_FALSE(place.OkButton()->toolTip().isEmpty());
    place.accept();
    EXPECT_NE(place.result(), QDialog::Accepted) << "Enter in a field";
    place.NameField()->setText(QStringLiteral("Tübingen"));
    place.LongitudeField()->setText(QStringLiteral("9,05"));
    EXPECT_TRUE(place.OkButton()->isEnabled());
    place.accept();
    ASSERT_EQ(place.result(), QDialog::Accepted);
    EXPECT_EQ(place.Result().longitude, 9.05);

    dlg.accept();
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    const AlertSettings& s = dlg.Settings();
    ASSERT_EQ(s.places.size(), 8u);
    EXPECT_EQ(s.places[0].name, "Oklahoma City");
    EXPECT_EQ(s.places[1].name, "P1");
    EXPECT_EQ(s.minIntensity, 0);
}

TEST(SettingsDlgTest, EveryFieldNamesItselfAndWhatItMustHoldInBothLanguages) {
    const AlertField fields[] = {AlertField::GlobalMagnitude,    AlertField::NearMagnitude, AlertField::RadiusKm,
                                 AlertField::Latitude,           AlertField::Longitude,     AlertField::HomeName,
                                 AlertField::QuietFrom,          AlertField::QuietTo,       AlertField::WakeMagnitude,
                                 AlertField::NotifyMinMagnitude, AlertField::Sources};
    std::set<std::string> seen;
    for (AlertField field : fields) {
        const std::string pl = FieldProblemText("PL", field);
        const std::string en = FieldProblemText("EN", field);
        EXPECT_NE(pl.find(": "), std::string::npos) << pl;
        EXPECT_NE(en.find(": "), std::string::npos) << en;
        EXPECT_NE(pl, en);
        EXPECT_TRUE(seen.insert(pl).second) << pl;
        EXPECT_TRUE(seen.insert(en).second) << en;
        EXPECT_EQ(FieldProblemText("XX", field), pl) << "the window's own language otherwise";
    }
    // Two refused fields: both reasons, each on a line of its own.
    CSettingsDlg dlg(AlertSettings{}, "PL");
    dlg.Field(AlertField::QuietTo)->setText(QStringLiteral("7.00"));
    dlg.Field(AlertField::RadiusKm)->setText(QStringLiteral("-1"));
    dlg.accept();
    const QStringList lines = dlg.ErrorLabel()->text().split(QLatin1Char('\n'));
    EXPECT_EQ(lines, (QStringList{QString::fromUtf8("Popraw zaznaczone pola."),
                                  QString::fromStdString(FieldProblemText("PL", AlertField::RadiusKm)),
                                  QString::fromStdString(FieldProblemText("PL", AlertField::QuietTo))}));
}

TEST(SettingsDlgTest, EachTimeDisplaySaysWhatItShowsInBothLanguages) {
    for (const char* lang : {"PL", "EN"}) {
        AlertSettings start;
        start.timeDisplay = TimeDisplay::Utc;
        CSettingsDlg dlg(start, lang);
        QStringList hints;
        for (int i = 0; i < 3; ++i) {
            dlg.TimeBox()->setCurrentIndex(i);
            const QString hint = dlg.TimeHint()->text();
            EXPECT_EQ(hint, QString::fromStdString(TimeDisplayHint(lang, static_cast<TimeDisplay>(i)))) << lang;
            EXPECT_EQ(dlg.TimeBox()->itemData(i, Qt::ToolTipRole).toString(), hint) << lang;
            EXPECT_FALSE(hint.isEmpty());
            EXPECT_FALSE(hints.contains(hint)) << lang << " " << i;
            hints << hint;
        }
    }
    EXPECT_NE(TimeDisplayHint("PL", TimeDisplay::Local), TimeDisplayHint("EN", TimeDisplay::Local));
}

TEST(SettingsDlgTest, ScreenshotsInBothLanguagesShowTheMarkedField) {
    for (const char* lang : {"PL", "EN"}) {
        AlertSettings start;
        start.hasHome = true;
        start.homeLatitude = 52.23;
        start.homeLongitude = 21.01;
        start.radiusKm = 300.0;
        CSettingsDlg dlg(start, lang);
        dlg.Field(AlertField::Latitude)->setText(QStringLiteral("91"));
        dlg.show();
        dlg.accept();
        QApplication::processEvents();
        const QImage image = dlg.grab().toImage();
        if (const char* dir = std::getenv("DRAVIK_TEST_BINARY_DIR")) {
            image.save(QString::fromUtf8(dir) + "/settings_window_" + QString::fromLatin1(lang).toLower() + ".png");
        }
        // The refused field is drawn on its warning colour, the others are not.
        const auto inside = [&](AlertField field) {
            const QLineEdit* edit = dlg.Field(field);
            return image.pixel(edit->mapTo(&dlg, QPoint(edit->width() - 4, edit->height() / 2)));
        };
        const QRgb marked = MarkedFieldColours(dlg.palette()).background;
        EXPECT_EQ(inside(AlertField::Latitude), marked) << lang;
        EXPECT_NE(inside(AlertField::Longitude), marked) << lang;
        // The window says what is wrong with it, beside the field and under the form.
        const QString reason = QString::fromStdString(FieldProblemText(lang, AlertField::Latitude));
        EXPECT_EQ(dlg.Field(AlertField::Latitude)->toolTip(), reason);
        EXPECT_TRUE(dlg.ErrorLabel()->text().contains(reason)) << dlg.ErrorLabel()->text().toStdString();
        EXPECT_TRUE(dlg.Field(AlertField::Longitude)->toolTip().isEmpty());
    }
}

TEST(AlertTextsTest, TimeHeaderNamesTheZoneInForceNow) {
    struct Case {
        const char* zone;
        const char* lang;
        TimeDisplay display;
        std::int64_t now;
        const char* header;
    };
    const std::int64_t january = 1736942400;  // 2025-01-15 12:00 UTC
    const std::int64_t july = 1752580800;     // 2025-07-15 12:00 UTC
    const Case cases[] = {
        {"Europe/Warsaw", "EN", TimeDisplay::Local, january, "Time (CET)"},
        {"Europe/Warsaw", "PL", TimeDisplay::Local, july, "Godzina (CEST)"},
        {"Europe/Warsaw", "PL", TimeDisplay::Utc, july, "Godzina (UTC)"},
        {"Europe/Warsaw", "EN", TimeDisplay::Classic, july, "Time"},
        {"America/New_York", "EN", TimeDisplay::Local, january, "Time (EST)"},
        // A zone whose abbreviation is only its offset says so.
        {"Europe/Istanbul", "PL", TimeDisplay::Local, july, "Godzina (UTC+03)"},
        {"UTC", "EN", TimeDisplay::Local, july, "Time (UTC)"},
        {"Europe/Warsaw", "XX", TimeDisplay::Utc, july, ""},
    };
    for (const Case& c : cases) {
        const test::ScopedTz tz(c.zone);
        EXPECT_EQ(TimeHeaderText(c.lang, c.display, c.now), c.header) << c.zone << " " << c.lang;
    }
}

TEST(AlertTextsTest, BothLanguages) {
    EXPECT_EQ(DistanceText("EN", 1240.4, 135.0, ""), "1 240 km SE of Home");
    EXPECT_EQ(DistanceText("PL", 12345.6, 0.0, "Kraków"), "Kraków: 12 346 km na północ");
    EXPECT_EQ(DistanceText("PL", 0.2, 270.0, ""), "Dom: 0 km na zachód");
    const struct {
        double bearing;
        const char* pl;
        const char* en;
    } points[] = {
        {45.0, "Warszawa: 10 222 km na północny wschód", "10 222 km NE of Warszawa"},
        {90.0, "Warszawa: 10 222 km na wschód", "10 222 km E of Warszawa"},
        {135.0, "Warszawa: 10 222 km na południowy wschód", "10 222 km SE of Warszawa"},
        {200.0, "Warszawa: 10 222 km na południe", "10 222 km S of Warszawa"},
        {225.0, "Warszawa: 10 222 km na południowy zachód", "10 222 km SW of Warszawa"},
        {315.0, "Warszawa: 10 222 km na północny zachód", "10 222 km NW of Warszawa"},
        {359.0, "Warszawa: 10 222 km na północ", "10 222 km N of Warszawa"},
    };
    for (const auto& p : points) {
        EXPECT_EQ(DistanceText("PL", 10222.0, p.bearing, "Warszawa"), p.pl);
        EXPECT_EQ(DistanceText("EN", 10222.0, p.bearing, "Warszawa"), p.en);
    }
    struct Plural {
        std::size_t n;
        const char* pl;
        const char* en;
    };
    const Plural plurals[] = {{1, "Jeszcze 1 trzęsienie ziemi", "1 more earthquake"},
                              {2, "Jeszcze 2 trzęsienia ziemi", "2 more earthquakes"},
                              {5, "Jeszcze 5 trzęsień ziemi", "5 more earthquakes"},
                              {12, "Jeszcze 12 trzęsień ziemi", "12 more earthquakes"},
                              {22, "Jeszcze 22 trzęsienia ziemi", "22 more earthquakes"}};
    for (const Plural& p : plurals) {
        EXPECT_EQ(MoreEarthquakesText("PL", p.n), p.pl);
        EXPECT_EQ(MoreEarthquakesText("EN", p.n), p.en);
    }
    struct Aftershocks {
        std::size_t n;
        const char* pl;
        const char* en;
        const char* de;
    };
    const Aftershocks aftershocks[] = {
        {1, "1 wstrząs wtórny M 6.8 KRETA, największy M 4.9", "1 aftershock of M 6.8 KRETA, largest M 4.9",
         "1 Nachbeben von M 6.8 KRETA, stärkstes M 4.9"},
        {3, "3 wstrząsy wtórne M 6.8 KRETA, największy M 4.9", "3 aftershocks of M 6.8 KRETA, largest M 4.9",
         "3 Nachbeben von M 6.8 KRETA, stärkstes M 4.9"},
        {12, "12 wstrząsów wtórnych M 6.8 KRETA, największy M 4.9", "12 aftershocks of M 6.8 KRETA, largest M 4.9",
         "12 Nachbeben von M 6.8 KRETA, stärkstes M 4.9"},
        {24, "24 wstrząsy wtórne M 6.8 KRETA, największy M 4.9", "24 aftershocks of M 6.8 KRETA, largest M 4.9",
         "24 Nachbeben von M 6.8 KRETA, stärkstes M 4.9"},
        {25, "25 wstrząsów wtórnych M 6.8 KRETA, największy M 4.9", "25 aftershocks of M 6.8 KRETA, largest M 4.9",
         "25 Nachbeben von M 6.8 KRETA, stärkstes M 4.9"},
    };
    for (const Aftershocks& a : aftershocks) {
        EXPECT_EQ(AftershocksText("PL", a.n, "6.8", "KRETA", "4.9"), a.pl);
        EXPECT_EQ(AftershocksText("EN", a.n, "6.8", "KRETA", "4.9"), a.en);
        EXPECT_EQ(AftershocksText("DE", a.n, "6.8", "KRETA", "4.9"), a.de);
    }
    EXPECT_EQ(AftershockOfText("PL", "6.8", "KRETA"), "wstrząs wtórny: M 6.8 KRETA");
    EXPECT_EQ(AftershockOfText("EN", "6.8", "CRETE"), "aftershock of M 6.8 CRETE");
    EXPECT_EQ(AftershockOfText("DE", "6.8", "KRETA"), "Nachbeben von M 6.8 KRETA");
    // A region holding a placeholder stays as the source wrote it.
    EXPECT_EQ(AftershockOfText("EN", "6.8", "%2 %1"), "aftershock of M 6.8 %2 %1");
    QuakeEvent e;
    e.mag = "5.3";
    e.region = "NORTHERN ALGERIA";
    e.data1 = "2026-12-07";
    e.data2 = "15:03";
    e.depth = "10";
    EXPECT_EQ(NotificationSummary(e), "M 5.3 NORTHERN ALGERIA");
    AlertSettings s;
    AlertDecision d;
    EXPECT_EQ(NotificationBody("EN", e, s, d), "2026-12-07 15:03, depth 10 km");
    s.hasHome = true;
    d.hasDistance = true;
    d.distanceKm = 1240.0;
    d.bearingDeg = 180.0;
    EXPECT_EQ(NotificationBody("PL", e, s, d), "2026-12-07 15:03, głębokość 10 km\nDom: 1 240 km na południe");
}

// The body names every place where II or more is expected, strongest first, then what the agency said.
TEST(AlertTextsTest, NotificationNamesEachPlacesShakingAndTheFeltReportsInEveryLanguage) {
    QuakeEvent e;
    e.mag = "4.5";
    e.region = "GREECE";
    e.data1 = "2026-12-07";
    e.data2 = "15:03";
    e.depth = "10";
    e.hasNumbers = true;
    e.magnitude = 4.5;
    e.latitude = 38.10;
    e.longitude = 23.70;
    e.felt = {1234, 5.2, -1.0, "orange", true};
    AlertSettings s;
    s.timeDisplay = TimeDisplay::Classic;
    s.hasHome = true;
    s.homeLatitude = 37.98;
    s.homeLongitude = 23.73;
    s.places = {{"Tirana", 41.33, 19.82}, {"Patras", 38.25, 21.73}};
    const AlertDecision d = DecideAlert(e, s, 12 * 60);
    const struct {
        const char* lang;
        const char* body;
    } cases[] = {
        {"EN",
         "2026-12-07 15:03, depth 10 km\n14 km N of Home\nHome: IV (light shaking), 14 km\n"
         "Patras: II (weak shaking), 173 km\nfelt V, 1 234 reports\nPAGER alert level: orange\n"
         "Large quake under the sea: tsunami.gov has the official messages"},
        {"PL",
         "2026-12-07 15:03, głębokość 10 km\nDom: 14 km na północ\nDom: IV (lekkie wstrząsy), 14 km\n"
         "Patras: II (słabe wstrząsy), 173 km\nodczuto V, 1 234 zgłoszenia\n"
         "Poziom alarmu PAGER: pomarańczowy\nSilne trzęsienie pod dnem morza: oficjalne komunikaty podaje tsunami.gov"},
        {"DE",
         "2026-12-07 15:03, Tiefe 10 km\n14 km nördlich von Zuhause\nZuhause: IV (leichte Erschütterung), 14 km\n"
         "Patras: II (schwache Erschütterung), 173 km\nverspürt V, 1 234 Meldungen\n"
         "PAGER-Warnstufe: orange\nStarkes Beben unter dem Meer: die offiziellen Meldungen gibt tsunami.gov"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NotificationBody(c.lang, e, s, d), c.body) << c.lang;
    }
    ASSERT_EQ(d.shaking.size(), 3u);
    EXPECT_EQ(d.shaking[2].level, 1) << "Tirana, 470 km: not named";
    // USGS's tsunami flag marks a large quake under the sea, not a message: it makes nothing critical.
    EXPECT_EQ(UrgencyOf(e, s, d), NoticeUrgency::Normal);
    EXPECT_EQ(ShakingWords("EN", 12), "Extreme");
    EXPECT_EQ(ShakingWords("PL", 3), "Słabe");
    EXPECT_EQ(ShakingWords("DE", 7), "Sehr stark");
}

TEST(AlertTextsTest, TimeDisplayLocalNamesTheZoneInForceAtTheQuakeNotToday) {
    const test::ScopedTz tz("Europe/Warsaw");
    AlertSettings s;
    s.timeDisplay = TimeDisplay::Local;
    const AlertDecision d;
    struct Case {
        bool hasNumbers;
        std::int64_t originUtcMs;
        const char* data1;
        const char* data2;
        const char* body;
    };
    // Seen on any day of the year, one of the two quakes was in another zone than today's.
    const Case cases[] = {
        {true, 1736942400000, "2025-01-15", "13:00", "2025-01-15 13:00 CET, depth 10 km"},   // 12:00 UTC
        {true, 1752580800000, "2025-07-15", "13:00", "2025-07-15 14:00 CEST, depth 10 km"},  // 12:00 UTC
        // Rows read back from the archive have only the texts.
        {false, 0, "2025-01-15", "13:00", "2025-01-15 13:00 CET, depth 10 km"},
        {false, 0, "2025-07-15", "13:00", "2025-07-15 14:00 CEST, depth 10 km"},
        // Texts that do not read are shown as they are, which is no zone's time.
        {false, 0, "", "", ", depth 10 km"},
    };
    for (const Case& c : cases) {
        QuakeEvent e;
        e.hasNumbers = c.hasNumbers;
        e.originUtcMs = c.originUtcMs;
        e.data1 = c.data1;
        e.data2 = c.data2;
        e.depth = "10";
        EXPECT_EQ(NotificationBody("EN", e, s, d), c.body) << c.data1 << " " << c.data2;
    }
}

}  // namespace
}  // namespace dravik
