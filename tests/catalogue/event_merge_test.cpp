#include "catalogue/event_merge.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/quake_registry.h"
#include "sources/geo.h"

namespace dravik {
namespace {

constexpr std::int64_t kT0 = 1700000000000;  // 2023-11-14 22:13:20 UTC
constexpr std::int64_t kSecond = 1000;
constexpr double kPi = 3.14159265358979323846;

// Degrees of latitude that make `km` along a meridian.
double KmToLatDeg(double km) {
    return km / kEarthRadiusKm * 180.0 / kPi;
}

QuakeEvent Report(std::int64_t originMs, double lat, double lon, double mag, const std::string& id = "first:1") {
    QuakeEvent e;
    e.eventId = id;
    e.hasNumbers = true;
    e.originUtcMs = originMs;
    e.latitude = lat;
    e.longitude = lon;
    e.magnitude = mag;
    return e;
}

QuakeEvent WithoutNumbers(QuakeEvent e) {
    e.hasNumbers = false;
    return e;
}

TEST(EventMergeTest, SameEarthquakeNeedsAllThreeLimitsInclusive) {
    const QuakeEvent base = Report(kT0, 38.0, 20.0, 4.5);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* name;
        QuakeEvent a, b;
        bool same;
    } cases[] = {
        {"one quake, two agencies", base, Report(kT0 + 12 * kSecond, 38.1, 20.1, 4.7), true},
        {"identical", base, base, true},
        {"60 s apart", base, Report(kT0 + 60 * kSecond, 38.0, 20.0, 4.5), true},
        {"60 s earlier", base, Report(kT0 - 60 * kSecond, 38.0, 20.0, 4.5), true},
        {"60.001 s apart", base, Report(kT0 + 60 * kSecond + 1, 38.0, 20.0, 4.5), false},
        {"100 km apart", base, Report(kT0, 38.0 + KmToLatDeg(100.0), 20.0, 4.5), true},
        {"100.5 km apart", base, Report(kT0, 38.0 + KmToLatDeg(100.5), 20.0, 4.5), false},
        {"magnitudes 1.0 apart", base, Report(kT0, 38.0, 20.0, 5.5), true},
        {"magnitudes 1.0 apart, inexact doubles", Report(kT0, 38.0, 20.0, 2.2), Report(kT0, 38.0, 20.0, 3.2), true},
        {"magnitudes 1.1 apart", base, Report(kT0, 38.0, 20.0, 3.4), false},
        // Two distinct quakes of one sequence: close in time and size, too far apart in space.
        {"two quakes 30 s and 150 km apart", Report(kT0, -17.80, -178.40, 5.1),
         Report(kT0 + 30 * kSecond, -17.80 + KmToLatDeg(150.0), -178.40, 5.0), false},
        {"across the date line", Report(kT0, 0.0, 179.9, 6.0), Report(kT0 + 5 * kSecond, 0.0, -179.9, 6.1), true},
        {"same longitude, other hemisphere", Report(kT0, 10.0, 20.0, 6.0), Report(kT0, -10.0, 20.0, 6.0), false},
        {"first without numbers", WithoutNumbers(base), base, false},
        {"second without numbers", base, WithoutNumbers(base), false},
        {"neither has numbers", WithoutNumbers(base), WithoutNumbers(base), false},
        {"latitude not a number", base, Report(kT0, nan, 20.0, 4.5), false},
        {"magnitude not a number", base, Report(kT0, 38.0, 20.0, nan), false},
        {"longitude infinite", base, Report(kT0, 38.0, std::numeric_limits<double>::infinity(), 4.5), false},
        {"origins at the ends of the range", Report(std::numeric_limits<std::int64_t>::min(), 38.0, 20.0, 4.5),
         Report(std::numeric_limits<std::int64_t>::max(), 38.0, 20.0, 4.5), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SameEarthquake(c.a, c.b), c.same) << c.name;
        EXPECT_EQ(SameEarthquake(c.b, c.a), c.same) << c.name << " (swapped)";

        QuakeRegistry quakes;
        quakes.Resolve(c.a);
        QuakeEvent fromAnotherSource = c.b;
        fromAnotherSource.eventId = "second:1";
        EXPECT_EQ(quakes.Resolve(fromAnotherSource).kind == ReportKind::kOtherAgency, c.same)
            << c.name << " (through QuakeRegistry)";
    }
}

TEST(EventMergeTest, FirstReportWinsAndMergedReportsDoNotMoveTheQuake) {
    const struct {
        QuakeEvent report;
        bool listed;
        const char* why;
    } steps[] = {
        {Report(kT0, 38.0, 20.0, 4.5, "emsc:1"), true, "first report"},
        {Report(kT0 + 20 * kSecond, 38.2, 20.1, 4.8, "usgs:1"), false, "second agency, same quake"},
        {Report(kT0 + 1 * kSecond, 38.0, 20.0, 4.6, "gfz:1"), false, "third agency, same quake"},
        // Within a minute of the merged usgs report only; a merged report must not extend the first one.
        {Report(kT0 + 75 * kSecond, 38.2, 20.1, 4.8, "later:1"), true, "matches only a merged report"},
        {Report(kT0 + 30 * kSecond, 39.6, 20.0, 4.5, "other:1"), true, "150+ km away: another quake"},
        {WithoutNumbers(Report(kT0, 38.0, 20.0, 4.5, "page:1")), true, "the home page table has no numbers"},
        {WithoutNumbers(Report(kT0, 38.0, 20.0, 4.5, "page2:1")), true, "neither does its twin"},
        {Report(kT0 + 40 * kSecond, 38.1, 20.0, 4.4, "usgs:1"), false, "the merged id again, other values"},
    };
    QuakeRegistry quakes;
    for (const auto& s : steps) {
        EXPECT_EQ(quakes.Resolve(s.report).kind == ReportKind::kNew, s.listed) << s.why;
    }
    EXPECT_EQ(quakes.Size(), 5u);
    // Another agency's reports never change the quake: its values stay the first report's.
    ASSERT_NE(quakes.Find("usgs:1"), nullptr);
    EXPECT_EQ(quakes.Find("usgs:1")->Id(), "emsc:1");
    EXPECT_EQ(quakes.Find("gfz:1")->values.magnitude, 4.5);
}

// One agency's two reports close in time and place are two quakes (an aftershock sequence); only reports
// of other sources merge, and only into a quake that has no report of their own agency yet.
TEST(EventMergeTest, ReportsOfOneSourceNeverMerge) {
    QuakeRegistry quakes;
    EXPECT_EQ(quakes.Resolve(Report(kT0, 38.0, 20.0, 4.5, "emsc:20240101_0000001")).kind, ReportKind::kNew);
    EXPECT_EQ(quakes.Resolve(Report(kT0 + 10 * kSecond, 38.05, 20.02, 4.1, "emsc:20240101_0000002")).kind,
              ReportKind::kNew);
    EXPECT_EQ(quakes.Resolve(Report(kT0 + 5 * kSecond, 38.02, 20.01, 4.3, "usgs:us7000abcd")).kind,
              ReportKind::kOtherAgency);
    // The first EMSC quake has its USGS report; a second USGS quake close by can only be the other one.
    EXPECT_EQ(quakes.Resolve(Report(kT0 + 8 * kSecond, 38.04, 20.02, 4.2, "usgs:us7000abce")).quake->Id(),
              "emsc:20240101_0000002");
    // A third USGS id within the limits: every EMSC quake has its USGS report, each nearer than this one, so it is
    // a quake of its own.
    EXPECT_EQ(quakes.Resolve(Report(kT0 + 9 * kSecond, 38.5, 20.02, 4.2, "usgs:us7000abcf")).kind, ReportKind::kNew);
    EXPECT_EQ(EventSource("usgs:us7000abcd"), "usgs");
    EXPECT_EQ(EventSource("500123"), "");
}

TEST(EventMergeTest, ForgetsTheFirstRegisteredBeyondTheCount) {
    QuakeRegistry quakes(MergeLimits{}, 1);  // raised to the least count
    const std::size_t count = QuakeRegistry::kMinQuakes;
    for (std::size_t i = 0; i <= count; ++i) {
        quakes.Resolve(
            Report(kT0 + static_cast<std::int64_t>(i) * 3600 * kSecond, 38.0, 20.0, 4.5, "emsc:" + std::to_string(i)));
    }
    // Kept between rounds only.
    EXPECT_EQ(quakes.Size(), count + 1);
    quakes.EnforceBound();
    EXPECT_EQ(quakes.Size(), count);
    EXPECT_EQ(quakes.Find("emsc:0"), nullptr);
    EXPECT_NE(quakes.Find("emsc:1"), nullptr);
    // The forgotten quake's origin no longer merges another agency's report.
    EXPECT_EQ(quakes.Resolve(Report(kT0, 38.0, 20.0, 4.5, "usgs:x")).kind, ReportKind::kNew);
}

TEST(EventMergeTest, AQuakesSourcesAreThoseOfItsKeys) {
    KnownQuake quake;
    quake.keys = {"usgs:us7000abcd", "12345"};
    EXPECT_TRUE(quake.HasSource("usgs"));
    EXPECT_TRUE(quake.HasSource(""));  // a classic id's
    for (const std::string source : {"us", "usgs:us7000abcd", "emsc", "usgsx"}) {
        EXPECT_FALSE(quake.HasSource(source)) << source;
        EXPECT_NE(EventSource(quake.keys[0]), source);
    }
    quake.keys = {"emsc:1"};
    EXPECT_FALSE(quake.HasSource(""));
}

}  // namespace
}  // namespace dravik
