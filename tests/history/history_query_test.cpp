#include "history/history_query.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "history/region_group.h"
#include "store/event_table.h"
#include "store/quake_database.h"
#include "tests/common/test_env.h"
#include "tests/history/scoped_tz.h"

namespace dravik {
namespace {

TEST(HistoryQuery, MagnitudeClassReadsTheWholeNumberPart) {
    const struct {
        const char* mag;
        int cls;
    } cases[] = {
        {"3.9", 0},
        {"4.0", 1},
        {"4.9", 1},
        {"5.9", 1},
        {"6.5", 2},
        {"7.0", 3},
        {"8.2", 3},
        {"", 0},
        {"M5", 0},
        {" 6.1", 2},
        {"-7", 0},
        {"10.0", 3},
        {"99999999999999999999999", 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MagnitudeClass(c.mag), c.cls) << c.mag;
    }
}

TEST(HistoryQuery, NumbersAreReadTheSameUnderAnyLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old != nullptr ? old : "C";
    // A comma-decimal locale would make the C library's atof stop at the point.
    std::setlocale(LC_NUMERIC, "pl_PL.UTF-8");
    const struct {
        const char* text;
        double value;
    } cases[] = {{"4.5", 4.5}, {" 3.25x", 3.25}, {"+2.5", 2.5}, {"-1.5", -1.5}, {"abc", 0.0}, {"", 0.0}, {"--1", 0.0}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(AtofC(c.text), c.value) << c.text;
    }
    EXPECT_EQ(AtoiC("  42abc"), 42);
    EXPECT_EQ(AtoiC("-17"), -17);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(HistoryQuery, DefaultRangeIsTheDayBeforeYesterdayThroughToday) {
    test::ScopedTimeZone tz("Europe/Warsaw");
    std::tm parts{};
    parts.tm_year = 2016 - 1900;
    parts.tm_mon = 2;
    parts.tm_mday = 5;
    parts.tm_isdst = -1;
    const std::time_t midnight = std::mktime(&parts);
    for (std::time_t now : {midnight, midnight + 12 * 3600, midnight + 86398}) {
        const auto [from, to] = DefaultHistoryRange(now);
        EXPECT_EQ(DateText(from), "2016-03-03");
        EXPECT_EQ(DateText(to), "2016-03-05");
    }
    // One second short of two days: in the day's very last second the range starts yesterday.
    EXPECT_EQ(DateText(DefaultHistoryRange(midnight + 86399).first), "2016-03-04");
}

TEST(HistoryQuery, DateTextIsZeroPadded) {
    EXPECT_EQ(DateText({2016, 3, 5}), "2016-03-05");
    EXPECT_EQ(DateText({2024, 12, 31}), "2024-12-31");
    EXPECT_EQ(DateText({999, 1, 2}), "0999-01-02");
}

TEST(HistoryQuery, StatementsWithAndWithoutRegion) {
    EXPECT_EQ(HistoryStatement({2016, 3, 3}, {2016, 3, 5}, "WSZYSTKIE"),
              "select * from trze where data1>='2016-03-03' and data1<='2016-03-05' order by data1 desc,data2 desc");
    EXPECT_EQ(HistoryStatement({2016, 3, 3}, {2016, 3, 5}, "GREECE"),
              "select * from trze where data1>='2016-03-03' and data1<='2016-03-05' and " + RegionGroupSql("region") +
                  "='GREECE' order by data1 desc,data2 desc");
    // Only the exact text means every region.
    EXPECT_NE(HistoryStatement({2016, 3, 3}, {2016, 3, 5}, "wszystkie").find("='wszystkie'"), std::string::npos);
    EXPECT_NE(HistoryStatement({2016, 3, 3}, {2016, 3, 5}, "O'HIGGINS").find("='O''HIGGINS'"), std::string::npos);
}

std::vector<std::string> RegionsOf(const std::string& path, const std::string& sql) {
    CQuakeDatabase db(path);
    db.Query(sql);
    std::vector<std::string> regions;
    db.MoveFirst();
    for (int i = 0; i < db.GetRowCount(); ++i) {
        regions.push_back(db.GetValue("region") + " " + db.GetValue("data1"));
        db.MoveNext();
    }
    return regions;
}

TEST(HistoryQuery, StatementsRunAgainstARealTable) {
    const std::string path = test::MakeTempDir("history-query") + "/dravik.dat";
    CreateEventTable(path);
    StoreEventIfNewAt(path, "4.5", "O'HIGGINS, CHILE", "2016-03-04", "10:00", "34.1", "-71.2");
    StoreEventIfNewAt(path, "5.1", "CRETE, GREECE", "2016-03-05", "11:00", "35.1", "25.2");
    StoreEventIfNewAt(path, "3.0", "CRETE, GREECE", "2016-03-02", "12:00", "35.2", "25.3");
    StoreEventIfNewAt(path, "3.3", "CRETE, GREECE", "2016-03-06", "12:00", "35.3", "25.4");

    const CalendarDate from{2016, 3, 3};
    const CalendarDate to{2016, 3, 5};
    EXPECT_EQ(RegionsOf(path, HistoryStatement(from, to, kAllRegions)),
              (std::vector<std::string>{"CRETE, GREECE 2016-03-05", "O'HIGGINS, CHILE 2016-03-04"}));
    EXPECT_EQ(RegionsOf(path, HistoryStatement(from, to, "CHILE")),
              (std::vector<std::string>{"O'HIGGINS, CHILE 2016-03-04"}));
    EXPECT_EQ(RegionsOf(path, HistoryStatement(from, to, "GREECE")),
              (std::vector<std::string>{"CRETE, GREECE 2016-03-05"}));
    EXPECT_TRUE(RegionsOf(path, HistoryStatement(from, to, "CRETE")).empty());
    // A region text cannot widen the condition.
    EXPECT_TRUE(RegionsOf(path, HistoryStatement(from, to, "x' or '1'='1")).empty());
    // A from date after the to date lists nothing.
    EXPECT_TRUE(RegionsOf(path, HistoryStatement(to, from, kAllRegions)).empty());
    // One day: both ends inclusive.
    EXPECT_EQ(RegionsOf(path, HistoryStatement({2016, 3, 6}, {2016, 3, 6}, kAllRegions)).size(), 1u);
}

TEST(HistoryQuery, ComboPrefixSearchStartsAfterTheFirstEntryAndWraps) {
    const std::vector<std::string> entries = {"ALASKA", "CRETE", "Crete, Greece", "GREECE", "WSZYSTKIE"};
    const struct {
        const char* text;
        int index;
    } cases[] = {
        {"crete", 1}, {"CRETE,", 2}, {"greece", 3}, {"ALASKA", 0}, {"alaska pen", -1}, {"wszystkie", 4}, {"", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindComboPrefix(entries, c.text), c.index) << c.text;
    }
    // Searching from the second entry finds a longer entry before entry 0 itself.
    EXPECT_EQ(FindComboPrefix({"CRETE", "CRETE, GREECE"}, "CRETE"), 1);
    EXPECT_EQ(FindComboPrefix({"", "CRETE"}, ""), 0);
    EXPECT_EQ(FindComboPrefix({}, "CRETE"), -1);
}

TEST(HistoryQuery, DoubleClickNarrowsThenWidens) {
    const std::vector<std::string> entries = {"ALASKA", "GREECE", "Greece", "ITALY", "WSZYSTKIE"};
    const int narrowed = DoubleClickTarget(entries, "WSZYSTKIE", "SICILY, ITALY");
    EXPECT_EQ(narrowed, 3);
    EXPECT_EQ(DoubleClickTarget(entries, entries[narrowed], "SICILY, ITALY"), 4);
    // The event's own group, not the first that begins like it.
    EXPECT_EQ(DoubleClickTarget(entries, "WSZYSTKIE", "10 km S of Kos, Greece"), 2);
    // An event of another region while narrowed moves to that region.
    EXPECT_EQ(DoubleClickTarget(entries, "GREECE", "ALASKA"), 0);
    // A region the combo does not hold changes nothing.
    EXPECT_EQ(DoubleClickTarget(entries, "WSZYSTKIE", "NEPAL"), -1);
}

}  // namespace
}  // namespace dravik
