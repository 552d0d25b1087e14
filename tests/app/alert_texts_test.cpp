// What the alerts say in each language: time headers, distances, shaking and notifications.
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
    e.felt = {1234, true, 5.2, -1.0, "orange"};
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
