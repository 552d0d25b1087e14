#include "alerts/time_display.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "sources/quake_time.h"
#include "tests/common/scoped_tz.h"

namespace dravik {
namespace {

std::int64_t UtcSeconds(const char* text) {
    std::tm tm{};
    EXPECT_EQ(std::sscanf(text, "%d-%d-%d %d:%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour, &tm.tm_min), 5);
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    return static_cast<std::int64_t>(::timegm(&tm));
}

std::string UtcText(std::int64_t seconds) {
    const DateTimeText t = FormatInstant(seconds, TimeDisplay::Utc);
    return t.date + " " + t.time;
}

// The archive's texts for a source time, made as the feed makes them.
DateTimeText ArchiveTexts(std::int64_t utcSeconds) {
    const std::time_t t = static_cast<std::time_t>(utcSeconds);
    std::tm tm{};
    ::gmtime_r(&t, &tm);
    DateTimeText texts;
    EXPECT_TRUE(LocalTimePlusOneHour(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                                     &texts.date, &texts.time));
    return texts;
}

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

TEST(TimeDisplayTest, EveryHalfHourOfAYearComesBackOrTheEarlierOfTwoWithTheSameTexts) {
    struct Zone {
        const char* name;
        // The UTC hours whose texts can be those of the hour before: in spring the hour after the one whose clock
        // reading the zone skips, in autumn the one whose reading the zone repeats.
        std::vector<const char*> sharing;
    };
    const Zone zones[] = {
        {"Europe/Warsaw", {"2025-03-30 03:00", "2025-10-26 02:00"}},
        {"America/New_York", {"2025-03-09 03:00", "2025-11-02 01:00"}},
        {"Australia/Sydney", {"2025-04-06 02:00", "2025-10-05 03:00"}},  // autumn in April
        {"Asia/Tokyo", {}},
    };
    const std::int64_t from = UtcSeconds("2025-01-01 00:00");
    const std::int64_t to = UtcSeconds("2026-01-01 00:00");
    for (const Zone& zone : zones) {
        const test::ScopedTz tz(zone.name);
        int earlier = 0;
        for (std::int64_t utc = from; utc < to; utc += 1800) {
            const DateTimeText texts = ArchiveTexts(utc);
            std::int64_t back = 0;
            ASSERT_TRUE(ClassicToUtc(texts.date, texts.time, &back)) << zone.name << " " << UtcText(utc);
            bool shares = false;
            for (const char* hour : zone.sharing) {
                const std::int64_t into = utc - UtcSeconds(hour);
                if (into >= 0 && into < 3600) {
                    const DateTimeText before = ArchiveTexts(utc - 3600);
                    shares = before.date == texts.date && before.time == texts.time;
                }
            }
            earlier += shares ? 1 : 0;
            EXPECT_EQ(UtcText(back), UtcText(shares ? utc - 3600 : utc))
                << zone.name << ", stored as " << texts.date << " " << texts.time;
        }
        // The spring pair always shares its texts, so the rule above was put to work.
        EXPECT_GE(earlier, zone.sharing.empty() ? 0 : 2) << zone.name;
    }
}

TEST(TimeDisplayTest, TextsAroundAChangeComeBackTheSameWhicheverTimeWasMadeBefore) {
    struct Case {
        const char* zone;
        const char* date;
        const char* time;
        const char* utc;
    };
    const Case cases[] = {
        // Spring: 02:30 UTC reads as a time Warsaw skips, which mktime puts at 03:30 summer time, as it does
        // 03:30 UTC's reading.
        {"Europe/Warsaw", "2025-03-30", "04:30", "2025-03-30 02:30"},
        {"Europe/Warsaw", "2025-03-30", "03:30", "2025-03-30 01:30"},
        // Autumn: 02:30 UTC reads as the repeated 02:30; taken as summer time it makes the texts of 01:30 UTC,
        // taken as winter time texts no other instant makes.
        {"Europe/Warsaw", "2025-10-26", "02:30", "2025-10-26 01:30"},
        {"Europe/Warsaw", "2025-10-26", "03:30", "2025-10-26 02:30"},
        {"America/New_York", "2025-03-09", "04:30", "2025-03-09 02:30"},
        {"America/New_York", "2025-11-02", "01:30", "2025-11-02 00:30"},
        {"America/New_York", "2025-11-02", "02:30", "2025-11-02 01:30"},
        {"Australia/Sydney", "2025-04-06", "02:30", "2025-04-06 01:30"},
        {"Australia/Sydney", "2025-04-06", "03:30", "2025-04-06 02:30"},
        {"Australia/Sydney", "2025-10-05", "04:30", "2025-10-05 02:30"},
    };
    for (const Case& c : cases) {
        const test::ScopedTz tz(c.zone);
        // mktime reads a repeated local time by the offset of its previous call: make a text in each half year.
        for (int month : {1, 7}) {
            std::string data1, data2;
            ASSERT_TRUE(LocalTimePlusOneHour(2025, month, 15, 12, 0, 0, &data1, &data2));
            std::int64_t utc = 0;
            ASSERT_TRUE(ClassicToUtc(c.date, c.time, &utc));
            EXPECT_EQ(UtcText(utc), c.utc) << c.zone << " " << c.date << " " << c.time << " after month " << month;
        }
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
