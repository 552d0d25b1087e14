// What agencies said people felt, in the history list: read with the rows, shown in each row's tooltip.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "history/history_list_model.h"
#include "history/history_loader.h"
#include "history/history_query.h"
#include "store/event_table.h"
#include "store/quake_database.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

EventRecord Report(const std::string& id, const std::string& mag, const std::string& region) {
    EventRecord r(mag, region, "2024-01-01", "12:00", "36.00 ", "-97.00 ");
    r.id = id;
    r.source = id.substr(0, id.find(':'));
    r.originUtcMs = 1704110400000;
    r.depth = "5";
    return r;
}

TEST(HistoryFeltTest, EachRowCarriesWhatWasFeltOfItAndShowsItInItsTooltip) {
    const std::string path = test::MakeTempDir("history-felt") + "/dravik.dat";
    CreateEventTable(path);
    EventRecord felt = Report("usgs:ok1", "4.7", "OKLAHOMA");
    felt.felt = {1234, 5.1, 5.6, "yellow", false};
    EventRecord quiet = Report("usgs:ok2", "2.0", "OKLAHOMA");
    quiet.data2 = "12:05";
    ASSERT_TRUE(StoreEventsIfNew(path, {felt, quiet}).Ok());

    const CalendarDate day{2024, 1, 1};
    const RowListing listing =
        LoadHistoryRows(path, HistoryStatement(day, day, kAllRegions), nullptr, FeltStatement(day, day, kAllRegions));
    ASSERT_EQ(listing.rows.size(), 2u);
    // Newest first: the 12:05 quake said nothing.
    EXPECT_FALSE(listing.rows[0].felt.Any());
    EXPECT_EQ(listing.rows[1].felt.reports, 1234);
    EXPECT_EQ(listing.rows[1].felt.alert, "yellow");

    CHistoryListModel model;
    model.SetLanguage("EN");
    model.SetRows(listing.rows);
    EXPECT_FALSE(model.data(model.index(0, 1), Qt::ToolTipRole).isValid());
    EXPECT_EQ(model.data(model.index(1, 1), Qt::ToolTipRole).toString().toStdString(),
              "felt V, 1 234 reports\nShakeMap: up to VI\nPAGER alert level: yellow");
}

// An archive no feed has opened since felt reports were kept has no table for them: its rows list as ever.
TEST(HistoryFeltTest, AnArchiveWithoutTheTableListsItsRows) {
    const std::string path = test::MakeTempDir("history-felt") + "/dravik.dat";
    CreateEventTable(path);
    ASSERT_TRUE(StoreEventsIfNew(path, {Report("usgs:ok1", "4.7", "OKLAHOMA")}).Ok());
    {
        CQuakeDatabase db(path);
        db.Query("drop table trze_felt");
        ASSERT_EQ(db.GetLastResult(), 0);
    }
    const CalendarDate day{2024, 1, 1};
    const RowListing listing =
        LoadHistoryRows(path, HistoryStatement(day, day, kAllRegions), nullptr, FeltStatement(day, day, kAllRegions));
    EXPECT_EQ(listing.fault, ArchiveFault::kNone);
    ASSERT_EQ(listing.rows.size(), 1u);
    EXPECT_FALSE(listing.rows[0].felt.Any());
}

}  // namespace
}  // namespace dravik
