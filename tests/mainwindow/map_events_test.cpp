#include "mainwindow/map_events.h"

#include <gtest/gtest.h>

#include <cmath>

namespace dravik {
namespace {

TEST(MapEventsTest, EventTimeIsTheShownTimeLessTheFeedsHour) {
    // 2016-05-10 19:03 as listed is 18:03 universal time.
    constexpr std::time_t k1803 = 1462903380;
    const struct {
        const char* data1;
        const char* data2;
        std::optional<std::time_t> expected;
    } cases[] = {
        {"2016-05-10", "19:03", k1803},
        {"2016-05-11", "00:30", k1803 + 5 * 3600 + 27 * 60},
        {"2016-02-29", "12:00", 1456747200 - 3600},
        {"2015-02-29", "12:00", std::nullopt},
        {"2016-04-31", "12:00", std::nullopt},
        {"2016-13-01", "12:00", std::nullopt},
        {"2016-05-10", "24:00", std::nullopt},
        {"2016-05-10", "19:60", std::nullopt},
        {"", "", std::nullopt},
        {"2016-5-10", "19:03", std::nullopt},
        {"2016-05-10", "19:03:00", std::nullopt},
        {"20l6-05-10", "19:03", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EventTimeUtc(c.data1, c.data2), c.expected) << c.data1 << " " << c.data2;
    }
}

TEST(MapEventsTest, AgeClasses) {
    const std::time_t now = 1462903380;
    const struct {
        std::optional<std::time_t> when;
        EventAge expected;
    } cases[] = {
        {now, EventAge::kLastHour},        {now - 3599, EventAge::kLastHour}, {now - 3600, EventAge::kLastDay},
        {now - 86399, EventAge::kLastDay}, {now - 86400, EventAge::kOlder},   {now + 7200, EventAge::kLastHour},
        {std::nullopt, EventAge::kOlder},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AgeOf(c.when, now), c.expected) << (c.when ? now - *c.when : -1);
    }
}

TEST(MapEventsTest, RadiusGrowsWithMagnitudeWithinBounds) {
    EXPECT_DOUBLE_EQ(CircleRadius("2.0"), 3);
    EXPECT_DOUBLE_EQ(CircleRadius("4.0"), 3 * 1.45 * 1.45);
    for (const char* small : {"", "abc", "-1", "0.5", "nan", "inf"}) {
        EXPECT_DOUBLE_EQ(CircleRadius(small), 3) << small;
    }
    EXPECT_DOUBLE_EQ(CircleRadius("9.5"), 40);
    EXPECT_DOUBLE_EQ(CircleRadius("1e300"), 40);
    double previous = 0;
    for (int tenths = 20; tenths <= 89; ++tenths) {
        const double radius = CircleRadius(std::to_string(tenths / 10.0));
        EXPECT_GT(radius, previous) << tenths;
        previous = radius;
    }
}

TEST(MapEventsTest, RowsWithoutAPositionGetNoCircle) {
    const auto event = MapEventFromRow("4.5", "SOUTHERN GREECE", "2016-05-10", "19:03", "38.80 ", "-20.62 ");
    ASSERT_TRUE(event);
    EXPECT_DOUBLE_EQ(event->lat, 38.8);
    EXPECT_DOUBLE_EQ(event->lon, -20.62);
    EXPECT_EQ(event->region, "SOUTHERN GREECE");
    EXPECT_EQ(event->when, 1462903380);
    for (const auto& [lat, lon] : std::vector<std::pair<std::string, std::string>>{
             {"", ""}, {"91", "0"}, {"0", "181"}, {"1e1", "2"}, {"38.8N", "20"}, {"-", "-"}}) {
        EXPECT_FALSE(MapEventFromRow("4.5", "X", "2016-05-10", "19:03", lat, lon)) << lat << " " << lon;
    }
}

}  // namespace
}  // namespace dravik
