// Which row a report is when the run does not hold the quake in memory: another agency's copy of an archived
// quake finds its row by time and place; a report taken for another agency's row keeps its values for a later
// run.
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/event_table.h"
#include "store/quake_database.h"
#include "store/quake_ids.h"
#include "tests/store/store_test_util.h"

namespace dravik {
namespace {

constexpr std::int64_t kT0 = 1704110400000;  // 2024-01-01 12:00 UTC

EventRecord Report(const std::string& id, double mag, double lat, double lon, std::int64_t origin) {
    char magText[16], latText[16], lonText[16];
    std::snprintf(magText, sizeof magText, "%.1f", mag);
    std::snprintf(latText, sizeof latText, "%.2f ", lat);
    std::snprintf(lonText, sizeof lonText, "%.2f ", lon);
    EventRecord r(magText, "REGION " + id, "2024-01-01", "12:00", latText, lonText);
    r.id = id;
    r.source = id.substr(0, id.find(':'));
    r.originUtcMs = origin;
    r.latitude = lat;
    r.longitude = lon;
    r.magnitude = mag;
    return r;
}

int Rows(const std::string& path) {
    CQuakeDatabase db(path);
    db.Query("select count(*) as n from trze");
    return std::stoi(db.GetValue("n"));
}

std::string RowOf(const std::string& path, const std::string& id) {
    CQuakeDatabase db(path);
    db.Query("select row, creator from trze_id where id=" + SqlQuote(id));
    return db.GetRowCount() > 0 ? db.GetValue("row") + (db.GetValue("creator") == "1" ? " own" : " merged") : "-";
}

void Store(const std::string& path, const std::vector<EventRecord>& records) {
    ASSERT_TRUE(StoreEventsIfNew(path, records).Ok());
}

TEST(ArchiveIdentity, AnotherAgencysCopyFindsTheArchivedRowByTimeAndPlace) {
    const std::string path = test::NewDatabasePath();
    Store(path, {Report("a:main", 5.0, 38.00, 22.00, kT0), Report("a:far", 4.0, 10.00, 100.00, kT0 + 20000),
                 Report("b:own", 4.4, 39.00, 22.00, kT0 - 30000)});
    struct Case {
        const char* name;
        EventRecord copy;
        std::string row;  // where its id ends up
    };
    const std::vector<Case> cases = {
        {"within every limit: the nearest row", Report("c:1", 5.2, 38.05, 22.00, kT0 + 20000), "1 merged"},
        {"61 s apart: a row of its own", Report("c:2", 5.0, 38.00, 22.00, kT0 + 61000), "4 own"},
        {"130 km apart: a row of its own", Report("c:3", 5.0, 36.83, 22.00, kT0), "5 own"},
        {"1.2 magnitudes apart: a row of its own", Report("c:4", 3.8, 38.00, 22.00, kT0 - 1000), "6 own"},
        // Its agency's row is another quake of that agency, and the other rows already hold a report of it.
        {"its own agency's other quake", Report("b:other", 4.4, 39.00, 22.00, kT0 - 29000), "7 own"},
    };
    for (const Case& c : cases) {
        Store(path, {c.copy});
        EXPECT_EQ(RowOf(path, c.copy.id), c.row) << c.name;
    }
    // A second copy of agency c near the main shock: the main shock's row holds c's report already.
    Store(path, {Report("c:5", 5.0, 38.00, 22.00, kT0)});
    EXPECT_EQ(RowOf(path, "c:5"), "8 own");
    EXPECT_EQ(Rows(path), 8);
}

TEST(ArchiveIdentity, AMergedReportComesBackWithItsValues) {
    const std::string path = test::NewDatabasePath();
    EventRecord main = Report("a:main", 5.0, 38.00, 22.00, kT0);
    EventRecord aftershock = Report("b:after", 4.2, 38.225, 22.00, kT0 + 31000);
    aftershock.quakeId = "a:main";
    aftershock.depth = "12.0";
    Store(path, {main, aftershock});
    const std::vector<ArchivedQuake> quakes = LoadArchivedQuakes(path, kT0 - 1000, 10);
    ASSERT_EQ(quakes.size(), 1u);
    ASSERT_EQ(quakes[0].merged.size(), 1u);
    const EventRecord& merged = quakes[0].merged[0];
    EXPECT_EQ(merged.id, "b:after");
    EXPECT_EQ(merged.originUtcMs, kT0 + 31000);
    EXPECT_EQ(merged.latitude, 38.225);
    EXPECT_EQ(merged.magnitude, 4.2);
    EXPECT_EQ(merged.mag, "4.2");
    EXPECT_EQ(merged.depth, "12.0");

    // Detached, it becomes a row of its own and its values leave the table.
    aftershock.quakeId.clear();
    aftershock.detach = true;
    Store(path, {aftershock});
    EXPECT_EQ(RowOf(path, "b:after"), "2 own");
    EXPECT_TRUE(LoadArchivedQuakes(path, kT0 - 1000, 10).back().merged.empty());
}

}  // namespace
}  // namespace dravik
