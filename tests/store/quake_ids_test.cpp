#include "store/quake_ids.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/legacy_import.h"
#include "store/quake_database.h"
#include "tests/common/test_env.h"
#include "tests/store/store_test_util.h"

namespace dravik {
namespace {

namespace fs = std::filesystem;

EventRecord Report(const std::string& id, const std::string& mag, const std::string& region, std::int64_t origin,
                   const std::string& quakeId = {}) {
    EventRecord r(mag, region, "2024-01-01", "12:00", "38.00 ", "20.00 ");
    r.id = id;
    r.source = id.find(':') == std::string::npos ? "" : id.substr(0, id.find(':'));
    r.originUtcMs = origin;
    r.quakeId = quakeId;
    r.depth = "10";
    return r;
}

// Every row as "mag region data1 data2", in the order written.
std::vector<std::string> Rows(const std::string& path) {
    CQuakeDatabase db(path);
    db.Query("select * from trze order by rowid");
    std::vector<std::string> rows;
    for (int i = 0; i < db.GetRowCount(); ++i, db.MoveNext()) {
        rows.push_back(db.GetValue("mag") + " " + db.GetValue("region") + " " + db.GetValue("data1") + " " +
                       db.GetValue("data2"));
    }
    return rows;
}

// The row (by its place among the rows) each id names, "-" for none.
std::string RowOfId(const std::string& path, const std::string& id) {
    CQuakeDatabase db(path);
    db.Query("select (select count(*) from trze t where t.rowid<=i.row) as n from trze_id i where i.id=" +
             SqlQuote(id));
    return db.GetRowCount() > 0 ? db.GetValue("n") : "-";
}

ArchiveWriteResult Store(const std::string& path, const std::vector<EventRecord>& records) {
    return StoreEventsIfNew(path, records);
}

// One table of reports in the order they come, and what each leaves behind.
TEST(QuakeIdsTest, ReportsFindTheirQuakeByIdAndOnlyTheirOwnSourceRevisesIt) {
    const std::string path = test::NewDatabasePath();
    CreateEventTable(path);
    constexpr std::int64_t kT0 = 1704110400000;  // 2024-01-01 12:00 UTC
    EventRecord usgs = Report("usgs:us1", "5.0", "USGS ONE", kT0 + 3000);
    usgs.otherIds = {"usgs:ci9", "", "usgs:us1"};
    const struct {
        EventRecord report;
        std::size_t stored, revised;
        const char* why;
    } steps[] = {
        {Report("emsc:1", "4.5", "CRETE", kT0), 1, 0, "a new quake"},
        {Report("emsc:1", "4.5", "CRETE", kT0), 0, 0, "the same report again"},
        {Report("emsc:1", "4.8", "CRETE", kT0 + 1000), 0, 1, "its source revises it"},
        {Report("emsc:2", "4.8", "CRETE", kT0 + 1000), 1, 0, "another id with equal texts: an aftershock"},
        {Report("usgs:a", "4.6", "USGS CRETE", kT0 + 2000, "emsc:1"), 0, 0, "another agency, merged"},
        {Report("usgs:a", "3.0", "USGS CRETE", kT0 + 2000), 0, 0, "that agency's revision changes nothing"},
        {Report("12345", "4.0", "PAGE ROW", kT0), 1, 0, "a classic page's id"},
        {Report("12345", "4.1", "PAGE ROW", kT0), 0, 1, "revised on the page"},
        {usgs, 1, 0, "a quake with every network's id"},
        {Report("usgs:ci9", "5.2", "USGS ONE", kT0 + 3000), 0, 1, "its preferred id changes, its values too"},
    };
    for (const auto& s : steps) {
        const ArchiveWriteResult result = Store(path, {s.report});
        ASSERT_TRUE(result.Ok()) << s.why << ": " << result.detail;
        EXPECT_EQ(result.stored, s.stored) << s.why;
        EXPECT_EQ(result.revised, s.revised) << s.why;
    }
    EXPECT_EQ(Rows(path), (std::vector<std::string>{"4.8 CRETE 2024-01-01 12:00", "4.8 CRETE 2024-01-01 12:00",
                                                    "4.1 PAGE ROW 2024-01-01 12:00", "5.2 USGS ONE 2024-01-01 12:00"}));
    EXPECT_EQ(RowOfId(path, "emsc:1"), "1");
    EXPECT_EQ(RowOfId(path, "usgs:a"), "1");
    EXPECT_EQ(RowOfId(path, "emsc:2"), "2");
    EXPECT_EQ(RowOfId(path, "usgs:ci9"), "4");

    // What a restart reads back: the row's own id first, its source's newest origin, another agency's ids.
    const std::vector<ArchivedQuake> recent = LoadArchivedQuakes(path, kT0 + 500, 10);
    ASSERT_EQ(recent.size(), 3U) << "the classic row lies before";
    EXPECT_EQ(recent[0].ids, (std::vector<std::string>{"usgs:us1", "usgs:ci9"}));
    EXPECT_EQ(recent[0].record.mag, "5.2");
    EXPECT_EQ(recent[2].record.id, "emsc:1");
    EXPECT_EQ(recent[2].ids, (std::vector<std::string>{"emsc:1", "usgs:a"}));
    EXPECT_EQ(recent[2].record.originUtcMs, kT0 + 1000);
    EXPECT_EQ(NewestOriginMs(path, "usgs"), kT0 + 3000);
    EXPECT_EQ(NewestOriginMs(path, "emsc"), kT0 + 1000);
    EXPECT_EQ(NewestOriginMs(path, "gfz"), std::nullopt);
    EXPECT_EQ(LoadArchivedQuakes(path, kT0, 1).size(), 1U);
}

// What an agency says people felt stays with the quake's row, whichever agency's report says it, and a later
// report's word replaces an earlier one's; a report that says nothing leaves it.
TEST(QuakeIdsTest, FeltReportsStayWithTheRowAndFollowTheLatestWord) {
    const std::string path = test::NewDatabasePath();
    CreateEventTable(path);
    constexpr std::int64_t kT0 = 1704110400000;
    const auto felt = [&] {
        CQuakeDatabase db(path);
        db.Query("select row,reports,cdi,mmi,alert,tsunami from trze_felt order by row");
        std::string rows;
        for (int i = 0; i < db.GetRowCount(); ++i, db.MoveNext()) {
            rows += db.GetValue("row") + ":" + db.GetValue("reports") + "/" + db.GetValue("cdi") + "/" +
                    db.GetValue("mmi") + "/" + db.GetValue("alert") + "/" + db.GetValue("tsunami") + " ";
        }
        return rows;
    };
    ASSERT_TRUE(Store(path, {Report("emsc:1", "4.5", "CRETE", kT0)}).Ok());
    EXPECT_EQ(felt(), "");
    EventRecord usgs = Report("usgs:a", "4.6", "USGS CRETE", kT0, "emsc:1");
    usgs.felt = {515, 3.8, 4.17, "", false};
    ASSERT_TRUE(Store(path, {usgs}).Ok());
    EXPECT_EQ(felt(), "1:515/3.8/4.17//0 ");
    usgs.felt = {900, 4.2, -1.0, "yellow", true};
    ASSERT_TRUE(Store(path, {usgs}).Ok());
    EXPECT_EQ(felt(), "1:900/4.2//yellow/1 ");
    // The row's own source revises its values and says nothing of what was felt.
    ASSERT_EQ(Store(path, {Report("emsc:1", "4.8", "CRETE", kT0 + 1000)}).revised, 1U);
    EXPECT_EQ(felt(), "1:900/4.2//yellow/1 ");
    // A new row never inherits the felt reports of a rowid SQLite hands out again.
    {
        CQuakeDatabase db(path);
        db.Query("delete from trze");
        db.Query("delete from trze_id");
    }
    ASSERT_TRUE(Store(path, {Report("emsc:9", "3.0", "RHODES", kT0)}).Ok());
    EXPECT_EQ(felt(), "");
}

// Rows written before ids were kept: the same texts with the same date and time are that quake, which then
// takes the report's id; the same texts another day are another quake.
TEST(QuakeIdsTest, RowsWithoutIdsAreFoundByTextsDateAndTime) {
    const std::string path = test::NewDatabasePath();
    {
        CQuakeDatabase db(path);
        db.Query(kCreateEventTableSql);
        for (const char* values : {"'4.5','CRETE','2024-01-01','12:00','38.00 ','20.00 ','4.538.00#20.00#'",
                                   "'4.5','CRETE','2023-06-01','08:00','38.00 ','20.00 ','4.538.00#20.00#'"}) {
            db.Query(std::string("INSERT INTO trze (mag,region,data1,data2,wsp1,wsp2,ident) VALUES (") + values + ")");
        }
    }
    CreateEventTable(path);
    ASSERT_EQ(Rows(path).size(), 2U) << "the upgrade keeps every row";

    EXPECT_EQ(Store(path, {Report("emsc:7", "4.5", "CRETE", 0)}).stored, 0U);
    EXPECT_EQ(RowOfId(path, "emsc:7"), "1");
    // Found by its id from now on: a revision changes that row.
    EXPECT_EQ(Store(path, {Report("emsc:7", "4.6", "CRETE", 0)}).revised, 1U);
    // A quake of another time with those texts is another quake; a second id never takes a row that has one.
    EventRecord later = Report("emsc:8", "4.5", "CRETE", 0);
    later.data2 = "12:01";
    EXPECT_EQ(Store(path, {later, Report("emsc:9", "4.6", "CRETE", 0)}).stored, 2U);
    EXPECT_EQ(Rows(path), (std::vector<std::string>{"4.6 CRETE 2024-01-01 12:00", "4.5 CRETE 2023-06-01 08:00",
                                                    "4.5 CRETE 2024-01-01 12:01", "4.6 CRETE 2024-01-01 12:00"}));
}

// The look-ups run once per report, in archives of a million rows: each walks an index, never the table, also
// where a busy minute or the creators' index would tempt the planner.
TEST(QuakeIdsTest, LookUpsWalkIndexes) {
    const std::string path = test::NewDatabasePath();
    CreateEventTable(path);
    std::vector<EventRecord> records;
    for (int i = 0; i < 50; ++i) {
        records.push_back(Report("emsc:" + std::to_string(i), "4." + std::to_string(i % 10), "R", i));
    }
    ASSERT_TRUE(Store(path, records).Ok());
    CQuakeDatabase db(path);
    for (const std::string& sql :
         {QuakeByIdsSql({"emsc:1", "usgs:2"}), RowByTextsSql("4.138.00#20.00#", "a", "b", true),
          RowByTextsSql("4.138.00#20.00#", "a", "b", false)}) {
        db.Query("explain query plan " + sql);
        ASSERT_GT(db.GetRowCount(), 0) << sql;
        for (int i = 0; i < db.GetRowCount(); ++i, db.MoveNext()) {
            const std::string detail = db.GetValue("detail");
            EXPECT_EQ(detail.rfind("SCAN", 0), std::string::npos) << detail << "\n" << sql;
            EXPECT_EQ(detail.find("trze_data1"), std::string::npos) << detail;
            EXPECT_EQ(detail.find("trze_id_creator"), std::string::npos) << detail;
        }
    }
}

// An archive converted from an old SQLite 2 file opens with every row and gains the side table.
TEST(QuakeIdsTest, AConvertedOldArchiveKeepsEveryRow) {
    const std::string missing = test::MissingFixtures("sqlite2");
    ASSERT_TRUE(missing.empty()) << missing;
    const std::string path = test::MakeTempDir("quake_ids") + "/dravik.dat";
    fs::copy_file(test::FixturesDir() + "/sqlite2/large.dat", path);
    ASSERT_EQ(ImportLegacyArchiveIfNeeded(path), LegacyImportResult::Converted);
    const std::size_t rows = Rows(path).size();
    const std::string tsv = test::ReadFileBytes(test::FixturesDir() + "/sqlite2/large.tsv");
    EXPECT_EQ(rows, static_cast<std::size_t>(std::count(tsv.begin(), tsv.end(), '\n')));
    CreateEventTable(path);
    EXPECT_EQ(Rows(path).size(), rows);
    EXPECT_TRUE(Store(path, {Report("emsc:1", "4.5", "CRETE", 0)}).Ok());
    EXPECT_EQ(Rows(path).size(), rows + 1);
}

}  // namespace
}  // namespace dravik
