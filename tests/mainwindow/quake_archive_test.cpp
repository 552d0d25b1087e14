#include "mainwindow/quake_archive.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "sources/geojson_events.h"
#include "store/event_table.h"
#include "store/quake_database.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

int RowCount(const std::string& path) {
    CQuakeDatabase db(path);
    db.Query("select count(*) as n from trze");
    return std::stoi(db.GetValue("n"));
}

// A real USGS day feed with distinct quakes that share magnitude and place texts: one row per distinct id,
// where the texts-only rule kept one row per text; a restart's second read of the feed adds nothing, and the
// archive gives the quakes back with their numbers.
TEST(QuakeArchiveTest, ARealFeedIsOneRowPerQuakeAndComesBackWhole) {
    const std::vector<QuakeEvent> events =
        ParseGeoJsonEvents(test::ReadFeedData("usgs_geojson_all_day_2019.geojson"), "usgs");
    ASSERT_EQ(events.size(), 233U);
    std::set<std::string> idents;
    for (const QuakeEvent& e : events) {
        idents.insert(EventIdent(e.mag, e.wsp1, e.wsp2));
    }
    ASSERT_LT(idents.size(), events.size()) << "the feed must hold quakes with equal texts";

    const std::string path = test::MakeTempDir("quake_archive") + "/dravik.dat";
    CreateEventTable(path);
    const ArchiveWriteResult first = StoreQuakeReports(path, events, nullptr);
    ASSERT_TRUE(first.Ok()) << first.detail;
    EXPECT_EQ(first.stored, 233U);
    EXPECT_EQ(RowCount(path), 233);
    const ArchiveWriteResult again = StoreQuakeReports(path, events, nullptr);
    EXPECT_EQ(again.stored + again.revised, 0U);
    EXPECT_EQ(RowCount(path), 233);

    const std::vector<ArchivedQuakeIds> back = LoadRecentQuakes(path, 0, nullptr);
    ASSERT_EQ(back.size(), 233U);
    const QuakeEvent& newest = back.front().values;
    EXPECT_TRUE(newest.hasNumbers);
    EXPECT_EQ(newest.eventId.rfind("usgs:", 0), 0U);
    for (const QuakeEvent& e : events) {
        if (e.eventId == newest.eventId) {
            EXPECT_EQ(newest.originUtcMs, e.originUtcMs);
            EXPECT_NEAR(newest.latitude, e.latitude, 0.005);
            EXPECT_EQ(newest.depth, e.depth);
        }
    }
}

}  // namespace
}  // namespace dravik
