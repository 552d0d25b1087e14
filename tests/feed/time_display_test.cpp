#include "feed/time_display.h"

#include <gtest/gtest.h>

#include <string>

#include "feed/quake_time.h"
#include "tests/feed/scoped_tz.h"

namespace dravik {
namespace {

TEST(TimeDisplayTest, ArchiveFormTurnsBackIntoTheSourceInstantInEveryZone) {
    struct Case {
        const char* zone;
        int year, month, day, hour, minute;  // the source's time, UTC
        const char* local;                   // that instant on the zone's clock
    };
    const Case cases[] = {
        {"UTC", 2017, 10, 31, 0, 42, "00:42"},
        {"Europe/Warsaw", 2017, 10, 31, 0, 42, "01:42"},
        {"Europe/Warsaw", 2017, 7, 1, 12, 0, "14:00"},
        {"Europe/Warsaw", 2016, 12, 31, 23, 30, "00:30"},   // the year changes on the way
        {"America/New_York", 2024, 3, 10, 7, 15, "03:15"},  // the morning clocks went forward
        {"Asia/Kolkata", 2020, 2, 29, 20, 0, "01:30"},
    };
    for (const Case& c : cases) {
        const test::ScopedTz tz(c.zone);
        std::string data1, data2;
        ASSERT_TRUE(LocalTimePlusOneHour(c.year, c.month, c.day, c.hour, c.minute, 0, &data1, &data2)) << c.zone;
        std::int64_t utc = 0;
        ASSERT_TRUE(ClassicToUtc(data1, data2, &utc)) << c.zone << " " << data1 << " " << data2;
        const DateTimeText asUtc = FormatInstant(utc, TimeDisplay::Utc);
        char expected[32];
        std::snprintf(expected, sizeof expected, "%02d:%02d", c.hour, c.minute);
        EXPECT_EQ(asUtc.time, expected) << c.zone << " " << data1 << " " << data2;
        EXPECT_EQ(FormatInstant(utc, TimeDisplay::Local).time, c.local) << c.zone;
        // And forward again into the archive's form.
        const DateTimeText classic = FormatInstant(utc, TimeDisplay::Classic);
        EXPECT_EQ(classic.date, data1) << c.zone;
        EXPECT_EQ(classic.time, data2) << c.zone;
        EXPECT_EQ(DisplayedTime(data1, data2, false, 0, TimeDisplay::Utc).time, expected) << c.zone;
        EXPECT_EQ(DisplayedTime(data1, data2, false, 0, TimeDisplay::Classic).time, data2) << c.zone;
    }
}

TEST(TimeDisplayTest, TheSourceInstantWinsAndUnreadableTextsStayAsTheyAre) {
    const test::ScopedTz tz("Europe/Warsaw");
    // 2017-10-31T00:42:12Z, given by the source; the texts are not used.
    const DateTimeText shown = DisplayedTime("garbage", "", true, 1509410532, TimeDisplay::Utc);
    EXPECT_EQ(shown.date, "2017-10-31");
    EXPECT_EQ(shown.time, "00:42");
    for (const auto& texts : {std::pair<std::string, std::string>{"", ""},
                              {"2017-02-30", "10:00"},
                              {"2017-10-31", "25:00"},
                              {"2017-1-31", "10:00"},
                              {"2017-10-31", "1000"}}) {
        std::int64_t utc = 0;
        EXPECT_FALSE(ClassicToUtc(texts.first, texts.second, &utc)) << texts.first << " " << texts.second;
        const DateTimeText same = DisplayedTime(texts.first, texts.second, false, 0, TimeDisplay::Local);
        EXPECT_EQ(same.date, texts.first);
        EXPECT_EQ(same.time, texts.second);
    }
}

TEST(TimeDisplayTest, StoredNames) {
    for (TimeDisplay d : {TimeDisplay::Classic, TimeDisplay::Local, TimeDisplay::Utc}) {
        TimeDisplay read = TimeDisplay::Classic;
        ASSERT_TRUE(TimeDisplayFromName(TimeDisplayName(d), &read));
        EXPECT_EQ(read, d);
    }
    TimeDisplay untouched = TimeDisplay::Local;
    EXPECT_FALSE(TimeDisplayFromName("UTC", &untouched));
    EXPECT_FALSE(TimeDisplayFromName("", &untouched));
    EXPECT_EQ(untouched, TimeDisplay::Local);
}

}  // namespace
}  // namespace dravik
