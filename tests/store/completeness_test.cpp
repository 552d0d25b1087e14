// How far the archive is complete per source, which row a report with several ids is, and what older news and
// a report taken for the wrong quake do to the rows.
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "store/event_table.h"
#include "store/quake_database.h"
#include "store/quake_ids.h"
#include "tests/store/store_test_util.h"

namespace dravik {
namespace {

constexpr std::int64_t kT0 = 1704110400000;  // 2024-01-01 12:00 UTC

EventRecord Report(const std::string& id, const std::string& mag, const std::string& lat, std::int64_t origin) {
    EventRecord r(mag, "REGION " + id, "2024-01-01", "12:00", lat, "20.00 ");
    r.id = id;
    r.source = id.substr(0, id.find(':'));
    r.originUtcMs = origin;
    return r;
}

std::string MagOfRowOf(const std::string& path, const std::string& id) {
    CQuakeDatabase db(path);
    db.Query("select t.mag as mag from trze t join trze_id i on i.row=t.rowid where i.id=" + SqlQuote(id));
    return db.GetRowCount() > 0 ? db.GetValue("mag") : "-";
}

std::string RowsAndCreators(const std::string& path) {
    CQuakeDatabase db(path);
    db.Query("select count(*) as n, (select count(*) from trze_id where creator=1) as c from trze");
    return db.GetValue("n") + " rows, " + db.GetValue("c") + " creators";
}

std::optional<std::int64_t> Mark(const std::string& path, const std::string& source) {
    bool readable = false;
    const std::optional<std::int64_t> mark = CompleteMarkMs(path, source, nullptr, &readable);
    EXPECT_TRUE(readable);
    return mark;
}

TEST(CompletenessTest, MarksMoveWithTheirReportsAndOnlyForward) {
    const std::string path = test::NewDatabasePath();
    EXPECT_EQ(Mark(path, "emsc"), std::nullopt);  // no archive yet: no mark, and no failure
    EventRecord a = Report("emsc:1", "4.0", "38.00 ", kT0);
    a.markSource = "emsc";
    a.markUtcMs = kT0;
    EventRecord end;
    end.markOnly = true;
    end.markSource = "emsc";
    end.markUtcMs = kT0 + 5000;
    ASSERT_TRUE(StoreEventsIfNew(path, {a, end}).Ok());
    EXPECT_EQ(Mark(path, "emsc"), kT0 + 5000);
    EXPECT_EQ(RowsAndCreators(path), "1 rows, 1 creators");  // a mark makes no row
    // An older mark (a catch-up from before it) leaves it.
    end.markUtcMs = kT0 - 1000;
    ASSERT_TRUE(StoreEventsIfNew(path, {end}).Ok());
    EXPECT_EQ(Mark(path, "emsc"), kT0 + 5000);
    EXPECT_EQ(Mark(path, "usgs"), std::nullopt);

    // A write that fails moves no mark: the reports and the mark are one commit.
    EventRecord b = Report("emsc:2", "4.1", "39.00 ", kT0 + 6000);
    b.markSource = "emsc";
    b.markUtcMs = kT0 + 9000;
    CQuakeDatabase holder(path);
    holder.Query("BEGIN EXCLUSIVE");
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        stop = true;
    });
    EXPECT_EQ(StoreEventsIfNew(path, {b}, &stop).fault, ArchiveFault::kInterrupted);
    stopper.join();
    // A locked archive says so instead of reading as one without a mark.
    bool readable = true;
    std::atomic<bool> stopped{true};
    EXPECT_EQ(CompleteMarkMs(path, "emsc", &stopped, &readable), std::nullopt);
    EXPECT_FALSE(readable);
    holder.Query("ROLLBACK");
    EXPECT_EQ(Mark(path, "emsc"), kT0 + 5000);
}

// USGS's `ids` may name another stored quake of the same agency: the report's own id decides its row.
TEST(CompletenessTest, AReportsOwnIdComesBeforeTheOthersItLists) {
    const std::string path = test::NewDatabasePath();
    ASSERT_TRUE(StoreEventsIfNew(path, {Report("usgs:us7000p1", "4.6", "-20.50 ", kT0),
                                        Report("usgs:us7000p2", "4.3", "52.10 ", kT0 + 3600000)})
                    .Ok());
    EventRecord revision = Report("usgs:us7000p2", "4.9", "52.10 ", kT0 + 3600000);
    revision.otherIds = {"usgs:us7000p1", "usgs:us7000p2"};
    ASSERT_TRUE(StoreEventsIfNew(path, {revision}).Ok());
    EXPECT_EQ(MagOfRowOf(path, "usgs:us7000p2"), "4.9");
    EXPECT_EQ(MagOfRowOf(path, "usgs:us7000p1"), "4.6");
    EXPECT_EQ(RowsAndCreators(path), "2 rows, 2 creators");
}

TEST(CompletenessTest, OlderNewsNeverRevisesARow) {
    const std::string path = test::NewDatabasePath();
    EventRecord first = Report("usgs:us1", "4.0", "38.00 ", kT0);
    first.updatedUtcMs = kT0 + 60000;
    EventRecord newer = Report("usgs:us1", "4.5", "38.00 ", kT0);
    newer.updatedUtcMs = kT0 + 120000;
    ASSERT_TRUE(StoreEventsIfNew(path, {first, newer}).Ok());
    EXPECT_EQ(MagOfRowOf(path, "usgs:us1"), "4.5");
    // A lagging copy of the service: the first version again.
    const ArchiveWriteResult stale = StoreEventsIfNew(path, {first});
    EXPECT_TRUE(stale.Ok());
    EXPECT_EQ(stale.revised, 0);
    EXPECT_EQ(MagOfRowOf(path, "usgs:us1"), "4.5");
    // A copy that does not say when it changed never reverts values that did (a row without an update time it
    // still revises, as before update times were kept).
    EventRecord unsaid = Report("usgs:us1", "4.7", "38.00 ", kT0);
    ASSERT_TRUE(StoreEventsIfNew(path, {unsaid}).Ok());
    EXPECT_EQ(MagOfRowOf(path, "usgs:us1"), "4.5");
    // The update time comes back with the quake.
    const std::vector<ArchivedQuake> loaded = LoadArchivedQuakes(path, 0, 10);
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].record.updatedUtcMs, kT0 + 120000);
}

// A report taken for another agency's quake, later found to be a quake of its own, moves to a row of its own.
TEST(CompletenessTest, ADetachedReportLeavesTheRowItWasTakenFor) {
    const std::string path = test::NewDatabasePath();
    EventRecord aftershock = Report("usgs:aft", "4.2", "38.20 ", kT0 + 31000);
    aftershock.quakeId = "emsc:main";
    ASSERT_TRUE(StoreEventsIfNew(path, {Report("emsc:main", "5.0", "38.00 ", kT0), aftershock}).Ok());
    EXPECT_EQ(RowsAndCreators(path), "1 rows, 1 creators");
    EventRecord own = aftershock;
    own.quakeId.clear();
    own.detach = true;
    EventRecord main = Report("usgs:main", "5.1", "38.00 ", kT0 + 1000);
    main.quakeId = "emsc:main";
    bool readable = false;
    ASSERT_TRUE(StoreEventsIfNew(path, {main, own}).Ok());
    EXPECT_EQ(RowsAndCreators(path), "2 rows, 2 creators");
    EXPECT_EQ(MagOfRowOf(path, "usgs:aft"), "4.2");
    EXPECT_EQ(MagOfRowOf(path, "usgs:main"), "5.0");
    const std::vector<ArchivedQuake> loaded = LoadArchivedQuakes(path, 0, 10, nullptr, &readable);
    EXPECT_TRUE(readable);
    EXPECT_EQ(loaded.size(), 2u);
}

}  // namespace
}  // namespace dravik
