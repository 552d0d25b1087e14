#include "alerts/alert_rule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sources/geo.h"
#include "tests/common/scoped_tz.h"

namespace dravik {
namespace {

QuakeEvent Event(const std::string& mag, const std::string& lat = "0.00 ", const std::string& lon = "0.00 ") {
    QuakeEvent e;
    e.mag = mag;
    e.wsp1 = lat;
    e.wsp2 = lon;
    e.region = "REGION";
    return e;
}

AlertSettings WarsawHome(double radiusKm, double nearMagnitude) {
    AlertSettings s;
    s.globalMagnitude = 9.0;
    s.hasHome = true;
    s.homeLatitude = 52.23;
    s.homeLongitude = 21.01;
    s.radiusKm = radiusKm;
    s.nearMagnitude = nearMagnitude;
    return s;
}

constexpr int kNoon = 12 * 60;

TEST(AlertRuleTest, GlobalThresholdAndUnreadableMagnitudes) {
    struct Case {
        const char* name;
        double global;
        std::string mag;
        bool alert;
    };
    const Case cases[] = {
        {"below the threshold", 5.0, "4.9", false},
        {"on the threshold", 5.0, "5.0", true},
        {"above", 5.0, "6.1", true},
        {"blanks around the number", 5.0, " 5.0 ", true},
        {"zero takes everything", 0.0, "1.2", true},
        {"zero takes a negative magnitude", 0.0, "-0.5", true},
        {"zero takes an empty text", 0.0, "", true},
        {"zero takes letters", 0.0, "M?", true},
        {"empty text never reaches a threshold", 1.0, "", false},
        {"letters after the number", 1.0, "5.0x", false},
        {"nan is no number", 1.0, "nan", false},
        {"infinity is no number", 1.0, "inf", false},
        {"hexadecimal is no number", 1.0, "0x10", false},
        {"a comma is no decimal point", 1.0, "5,5", false},
    };
    for (const Case& c : cases) {
        AlertSettings s;
        s.globalMagnitude = c.global;
        const AlertDecision d = DecideAlert(Event(c.mag), s, kNoon);
        EXPECT_EQ(d.alert, c.alert) << c.name;
        EXPECT_EQ(d.sound, c.alert) << c.name;
    }
}

TEST(AlertRuleTest, NearRuleOnTheRadiusAcrossTheAntimeridianAndThePoles) {
    struct Case {
        const char* name;
        AlertSettings settings;
        QuakeEvent event;
        bool alert;
    };
    // An event exactly on the radius: the radius is its own distance.
    const double onRadius = GreatCircleKm(52.23, 21.01, 50.06, 19.94);
    AlertSettings fiji = WarsawHome(200.0, 3.0);
    fiji.homeLatitude = -17.0;
    fiji.homeLongitude = 179.9;
    AlertSettings pole = WarsawHome(300.0, 3.0);
    pole.homeLatitude = 89.5;
    pole.homeLongitude = 0.0;
    AlertSettings noRadius = WarsawHome(0.0, 0.0);
    AlertSettings noHome = WarsawHome(20000.0, 0.0);
    noHome.hasHome = false;
    const Case cases[] = {
        {"exactly on the radius", WarsawHome(onRadius, 3.0), Event("3.0", "50.06 ", "19.94 "), true},
        {"just outside", WarsawHome(onRadius - 0.001, 3.0), Event("3.0", "50.06 ", "19.94 "), false},
        {"near but below the near magnitude", WarsawHome(500.0, 3.0), Event("2.9", "50.06 ", "19.94 "), false},
        {"far and small", WarsawHome(500.0, 3.0), Event("4.0", "-21.71 ", "-68.50 "), false},
        {"across the antimeridian", fiji, Event("3.5", "-17.00 ", "-179.90 "), true},
        {"across the north pole", pole, Event("3.5", "89.00 ", "180.00 "), true},
        {"radius 0 is no near rule", noRadius, Event("5.0", "52.23 ", "21.01 "), false},
        {"no home, no near rule", noHome, Event("5.0", "52.23 ", "21.01 "), false},
        {"unreadable magnitude nearby", WarsawHome(500.0, 0.0), Event("", "50.06 ", "19.94 "), false},
        {"unreadable position", WarsawHome(500.0, 0.0), Event("4.0", "x", "19.94 "), false},
        {"latitude out of range", WarsawHome(20000.0, 0.0), Event("4.0", "91.00 ", "19.94 "), false},
    };
    for (const Case& c : cases) {
        const AlertDecision d = DecideAlert(c.event, c.settings, kNoon);
        EXPECT_EQ(d.alert, c.alert) << c.name;
        EXPECT_EQ(d.nearRule, c.alert) << c.name;
        // Near-rule events are always notified.
        EXPECT_EQ(d.notify, c.alert) << c.name;
    }
}

TEST(AlertRuleTest, SourceNumbersWinOverTheTexts) {
    QuakeEvent e = Event("?", "", "");
    e.hasNumbers = true;
    e.magnitude = 5.0;
    e.latitude = 50.06;
    e.longitude = 19.94;
    const AlertDecision d = DecideAlert(e, WarsawHome(300.0, 4.0), kNoon);
    EXPECT_TRUE(d.nearRule);
    ASSERT_TRUE(d.hasDistance);
    EXPECT_NEAR(d.distanceKm, 252.0, 2.0);
    EXPECT_EQ(CompassPoint(d.bearingDeg), "S");
}

// Athens and a second place 500 km north-west of it (active crust both).
AlertSettings AthensPlaces(int minIntensity) {
    AlertSettings s;
    s.globalMagnitude = 6.5;
    s.notifyMinMagnitude = 6.5;
    s.minIntensity = minIntensity;
    s.places = {{"Athens", 37.98, 23.73}, {"Tirana", 41.33, 19.82}};
    return s;
}

QuakeEvent Located(const std::string& mag, double lat, double lon, const std::string& depth) {
    QuakeEvent e = Event(mag);
    e.hasNumbers = true;
    e.magnitude = std::stod(mag);
    e.latitude = lat;
    e.longitude = lon;
    e.depth = depth;
    return e;
}

constexpr std::size_t kAnyPlace = 99;

TEST(AlertRuleTest, ExpectedShakingAtAnyPlaceAlertsWhateverTheMagnitude) {
    struct Case {
        const char* name;
        int minIntensity;
        QuakeEvent event;
        bool alert;
        int maxLevel;
        std::size_t strongestPlace;
    };
    const Case cases[] = {
        {"small and shallow under a place", 4, Located("4.5", 37.98, 23.73, "10"), true, 4, 0},
        {"the same without the rule stays silent", 0, Located("4.5", 37.98, 23.73, "10"), false, 4, 0},
        {"under the other place", 4, Located("4.5", 41.30, 19.80, "8"), true, 5, 1},
        {"large and far, felt by nobody there", 4, Located("6.1", 52.0, 40.0, "10"), false, 1, kAnyPlace},
        {"as large, deep under a place", 4, Located("6.0", 37.98, 23.73, "600"), false, 1, 0},
        {"as large, shallow under a place", 4, Located("6.0", 37.98, 23.73, "10"), true, 7, 0},
        {"a level below the rule", 5, Located("4.5", 37.98, 23.73, "10"), false, 4, 0},
        {"no magnitude, no shaking", 1, Located("4.5", 37.98, 23.73, "10"), false, 0, 0},
    };
    for (const Case& c : cases) {
        QuakeEvent e = c.event;
        if (c.maxLevel == 0) {
            e.hasNumbers = false;
            e.mag = "";
            e.wsp1 = "37.98";
            e.wsp2 = "23.73";
        }
        const AlertDecision d = DecideAlert(e, AthensPlaces(c.minIntensity), kNoon);
        EXPECT_EQ(d.alert, c.alert) << c.name;
        EXPECT_EQ(d.shakingRule, c.alert) << c.name;
        // Notified below the notification threshold: the place is what matters.
        EXPECT_EQ(d.notify, c.alert) << c.name;
        EXPECT_EQ(d.maxLevel, c.maxLevel) << c.name;
        if (c.maxLevel > 0) {
            ASSERT_EQ(d.shaking.size(), 2u) << c.name;
            if (c.strongestPlace != kAnyPlace) {
                EXPECT_EQ(d.shaking.front().place, c.strongestPlace) << c.name;
            }
            EXPECT_GE(d.shaking.front().level, d.shaking.back().level) << c.name;
        }
    }
}

TEST(AlertRuleTest, TheNearestPlaceGivesTheDistanceAndEveryPlaceHasTheNearRule) {
    AlertSettings s = WarsawHome(150.0, 3.0);
    s.places = {{"Athens", 37.98, 23.73}};
    // 60 km from Athens, 1,600 from Warsaw.
    const AlertDecision d = DecideAlert(Located("3.5", 38.40, 23.40, "10"), s, kNoon);
    ASSERT_TRUE(d.hasDistance);
    EXPECT_EQ(d.nearestPlace, 1u);
    EXPECT_NEAR(d.distanceKm, 55.0, 5.0);
    EXPECT_TRUE(d.nearRule);
    EXPECT_TRUE(d.alert);
    // The home alone keeps the classic rule: far from home, nothing.
    s.places.clear();
    EXPECT_FALSE(DecideAlert(Located("3.5", 38.40, 23.40, "10"), s, kNoon).alert);
}

TEST(AlertRuleTest, QuietHoursAcrossMidnightAndTheWakeMagnitude) {
    struct Case {
        const char* name;
        int from, to, minute;
        std::string mag;
        bool sound;
    };
    const Case cases[] = {
        {"before the range", 22 * 60, 7 * 60, 21 * 60 + 59, "4.0", true},
        {"its first minute", 22 * 60, 7 * 60, 22 * 60, "4.0", false},
        {"after midnight", 22 * 60, 7 * 60, 3 * 60, "4.0", false},
        {"its end is outside", 22 * 60, 7 * 60, 7 * 60, "4.0", true},
        {"a range within one day", 13 * 60, 14 * 60, 13 * 60 + 30, "4.0", false},
        {"outside a range within one day", 13 * 60, 14 * 60, 12 * 60, "4.0", true},
        {"from equal to to is no range", 8 * 60, 8 * 60, 8 * 60, "4.0", true},
        {"the wake magnitude sounds", 22 * 60, 7 * 60, 3 * 60, "6.5", true},
        {"just below it does not", 22 * 60, 7 * 60, 3 * 60, "6.4", false},
        {"an unreadable magnitude never wakes", 22 * 60, 7 * 60, 3 * 60, "", false},
    };
    for (const Case& c : cases) {
        AlertSettings s;
        s.quietEnabled = true;
        s.quietFromMinute = c.from;
        s.quietToMinute = c.to;
        const AlertDecision d = DecideAlert(Event(c.mag), s, c.minute);
        EXPECT_TRUE(d.alert) << c.name;
        EXPECT_EQ(d.sound, c.sound) << c.name;
        s.quietEnabled = false;
        EXPECT_TRUE(DecideAlert(Event(c.mag), s, c.minute).sound) << c.name << " (quiet hours off)";
    }
}

TEST(AlertRuleTest, QuietHoursFollowTheLocalClockAcrossADaylightSavingChange) {
    const test::ScopedTz tz("Europe/Warsaw");
    AlertSettings s;
    s.quietEnabled = true;
    s.quietFromMinute = 22 * 60;
    s.quietToMinute = 3 * 60;
    // 2026-03-29 00:30 UTC is 01:30 CET; 01:30 UTC is 03:30 CEST (the clock jumped from 02:00 to 03:00).
    const std::time_t beforeChange = 1774744200;
    const std::time_t afterChange = beforeChange + 3600;
    EXPECT_EQ(LocalMinuteOfDay(beforeChange), 1 * 60 + 30);
    EXPECT_EQ(LocalMinuteOfDay(afterChange), 3 * 60 + 30);
    EXPECT_FALSE(DecideAlert(Event("4.0"), s, LocalMinuteOfDay(beforeChange)).sound);
    EXPECT_TRUE(DecideAlert(Event("4.0"), s, LocalMinuteOfDay(afterChange)).sound);
}

TEST(AlertRuleTest, NotificationThreshold) {
    struct Case {
        const char* name;
        bool enabled;
        double minMagnitude;
        std::string mag;
        bool notify;
    };
    const Case cases[] = {
        {"below 5.0", true, 5.0, "4.9", false},
        {"at 5.0", true, 5.0, "5.0", true},
        {"0 takes every alerting event", true, 0.0, "1.0", true},
        {"0 takes an unreadable magnitude", true, 0.0, "", true},
        {"off", false, 0.0, "7.0", false},
    };
    for (const Case& c : cases) {
        AlertSettings s;
        s.notifyEnabled = c.enabled;
        s.notifyMinMagnitude = c.minMagnitude;
        EXPECT_EQ(DecideAlert(Event(c.mag), s, kNoon).notify, c.notify) << c.name;
    }
    // An event that does not alert is never notified, whatever the notification threshold.
    AlertSettings s;
    s.globalMagnitude = 6.0;
    s.notifyMinMagnitude = 0.0;
    EXPECT_FALSE(DecideAlert(Event("5.5"), s, kNoon).notify);
}

TEST(AlertRuleTest, NotificationPlanTakesTheThreeLargestAndSumsUpTheRest) {
    const std::vector<std::string> mags = {"4.0", "", "6.1", "5.2", "7.0", "5.5", "3.0"};
    std::vector<QuakeEvent> events;
    std::vector<AlertDecision> decisions;
    for (const std::string& mag : mags) {
        events.push_back(Event(mag));
        AlertDecision d;
        d.alert = d.notify = mag != "3.0";
        decisions.push_back(d);
    }
    const NotificationPlan plan = PlanNotifications(events, decisions, false);
    EXPECT_EQ(plan.single, (std::vector<std::size_t>{4, 2, 5}));
    // The rest in page order; the unreadable magnitude counts as the smallest; 3.0 was not due.
    EXPECT_EQ(plan.summary, (std::vector<std::size_t>{0, 1, 3}));

    EXPECT_TRUE(PlanNotifications(events, decisions, true).single.empty());
    EXPECT_TRUE(PlanNotifications(events, decisions, true).summary.empty());
    const NotificationPlan two = PlanNotifications({events[0], events[2]}, {decisions[0], decisions[2]}, false);
    EXPECT_EQ(two.single, (std::vector<std::size_t>{1, 0}));
    EXPECT_TRUE(two.summary.empty());
}

}  // namespace
}  // namespace dravik
