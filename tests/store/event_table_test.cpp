#include "store/event_table.h"

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/environment.h"
#include "store/quake_database.h"
#include "tests/store/store_test_util.h"

namespace dravik {
namespace {

struct Row {
    std::string id, ident, mag, region, data1, data2, wsp1, wsp2;
    bool idIsNull;
};

std::vector<Row> ReadRows(const std::string& path) {
    CQuakeDatabase db(path);
    db.Query("select ID_trz is null as idnull,* from trze order by rowid");
    std::vector<Row> rows;
    db.MoveFirst();
    for (int i = 0; i < db.GetRowCount(); ++i) {
        rows.push_back(Row{db.GetValue("ID_trz"), db.GetValue("ident"), db.GetValue("mag"), db.GetValue("region"),
                           db.GetValue("data1"), db.GetValue("data2"), db.GetValue("wsp1"), db.GetValue("wsp2"),
                           db.GetValue("idnull") == "1"});
        db.MoveNext();
    }
    return rows;
}

std::string NewEventFile() {
    const std::string path = test::NewDatabasePath();
    CreateEventTable(path);
    return path;
}

TEST(EventTableTest, CreatesFileTableAndIndexesWithTheExactSchema) {
    const std::string path = test::NewDatabasePath();
    CreateEventTable(path);
    CQuakeDatabase db(path);
    db.Query("select name,sql from sqlite_master where tbl_name='trze' order by name");
    ASSERT_EQ(db.GetRowCount(), 4);
    db.MoveFirst();
    EXPECT_EQ(db.GetValue("name"), "trze");
    EXPECT_EQ(db.GetValue("sql"), kCreateEventTableSql);
    for (const char* index : {"trze_data1", "trze_ident", "trze_region"}) {
        db.MoveNext();
        EXPECT_EQ(db.GetValue("name"), index);
    }

    // Each statement that scanned the whole table now walks an index.
    const std::vector<std::pair<std::string, std::string>> plans = {
        {DuplicateCheckSql("4.51.02.0"), "INDEX trze_ident"},
        {"select * from trze where data1>='2016-05-01' and data1<='2016-05-02' order by data1 desc,data2 desc",
         "INDEX trze_data1"},
        {"select * from trze group by region order by region ", "INDEX trze_region"},
    };
    for (const auto& plan : plans) {
        db.Query("explain query plan " + plan.first);
        ASSERT_EQ(db.GetRowCount(), 1) << plan.first;
        EXPECT_NE(db.GetValue("detail").find(plan.second), std::string::npos) << db.GetValue("detail");
    }
}

TEST(EventTableTest, StartingOnAnExistingFileKeepsItsRowsAndAddsTheIndexes) {
    const std::string path = test::NewDatabasePath();
    {
        CQuakeDatabase db(path);
        db.Query(kCreateEventTableSql);
        db.Query(
            "INSERT INTO trze (mag,region,data1,data2,wsp1,wsp2,ident) VALUES "
            "('4.5','CRETE','2016-05-10','09:03','35.1','25.2','4.535.125.2')");
    }
    CreateEventTable(path);
    CreateEventTable(path);
    const std::vector<Row> rows = ReadRows(path);
    ASSERT_EQ(rows.size(), 1U);
    EXPECT_EQ(rows[0].region, "CRETE");
    CQuakeDatabase db(path);
    db.Query("select name from sqlite_master where type='index' and tbl_name='trze'");
    EXPECT_EQ(db.GetRowCount(), 3);
    // The side table of the quakes' ids comes beside it; the row itself has none yet.
    db.Query("select count(*) as n from trze_id");
    EXPECT_EQ(db.GetLastResult(), SQLITE_OK);
    EXPECT_EQ(db.GetValue("n"), "0");
}

TEST(EventTableTest, DefaultFileIsDravikDatInTheDataDirectory) {
    CreateEventTable();
    StoreEventIfNew("3.1", "GREECE", "2020-01-02", "03:04", "38.0", "22.0");
    const std::vector<Row> rows = ReadRows(DataFilePath("dravik.dat"));
    ASSERT_EQ(rows.size(), 1U);
    EXPECT_EQ(rows[0].ident, "3.138.022.0");
}

// A report without an id is the quake of a row with the same key, date and time; the same key on another day is
// another quake (aftershocks share magnitude and place to the hundredth of a degree).
TEST(EventTableTest, KeyDateAndTimeDecideWhatIsStoredWithoutAnId) {
    const std::string path = NewEventFile();
    StoreEventIfNewAt(path, "4.5", "CRETE", "2016-05-10", "09:03", "35.1", "25.2");
    StoreEventIfNewAt(path, "4.5", "CRETE", "2016-05-10", "09:03", "35.1", "25.2");
    StoreEventIfNewAt(path, "4.5", "CRETE SEA", "2016-05-10", "09:03", "35.1", "25.2");
    StoreEventIfNewAt(path, "4.5", "TURKEY", "2017-01-01", "10:00", "35.1", "25.2");
    // Blanks go into the key as '#', the stored values keep them.
    StoreEventIfNewAt(path, " 4.0", "SOUTH OF FIJI", "2016-05-11", "00:01", "-21.5 ", " -179.2");
    // Only the key matters: "4.0#"+... differs from " 4.0"+...
    StoreEventIfNewAt(path, "4.0 ", "SOUTH OF FIJI", "2016-05-11", "00:01", "-21.5 ", " -179.2");

    const std::vector<Row> rows = ReadRows(path);
    ASSERT_EQ(rows.size(), 4U);
    EXPECT_EQ(rows[0].ident, "4.535.125.2");
    EXPECT_EQ(rows[0].region, "CRETE");
    EXPECT_EQ(rows[0].data1, "2016-05-10");
    EXPECT_EQ(rows[0].data2, "09:03");
    EXPECT_EQ(rows[1].region, "TURKEY");
    EXPECT_EQ(rows[2].ident, "#4.0-21.5##-179.2");
    EXPECT_EQ(rows[2].mag, " 4.0");
    EXPECT_EQ(rows[2].wsp1, "-21.5 ");
    EXPECT_EQ(rows[2].wsp2, " -179.2");
    EXPECT_EQ(rows[3].ident, "4.0#-21.5##-179.2");
    for (const Row& row : rows) {
        EXPECT_TRUE(row.idIsNull);
        EXPECT_EQ(row.id, "");
    }
}

TEST(EventTableTest, StatementTexts) {
    EXPECT_EQ(DuplicateCheckSql("4.535.125.2"), "select * from trze where ident='4.535.125.2'");
    EXPECT_EQ(DuplicateCheckSql("it's"), "select * from trze where ident='it''s'");
    EXPECT_EQ(EventIdent("4.5", "35.1", "25.2"), "4.535.125.2");
    EXPECT_EQ(EventIdent(" ", "", "a b"), "#a#b");

    CQuakeDatabase db(NewEventFile());
    db.ClearFields();
    for (const char* column : {"mag", "region", "data1", "data2", "wsp1", "wsp2", "ident"}) {
        db.AddField(column, std::string(column) == "region" ? "CRETE" : "1");
    }
    db.WriteRecord("trze");
    EXPECT_EQ(db.LastStatement(),
              "INSERT INTO trze (mag,region,data1,data2,wsp1,wsp2,ident) VALUES ('1','CRETE','1','1','1','1','1')");
}

TEST(EventTableTest, PageTextsWithQuotesAndEightBitBytesAreStoredExactly) {
    const std::string path = NewEventFile();
    const std::string region =
        "COTE D'IVOIRE \xA3\xF3"
        "d\xBC 100% '); DROP TABLE trze; --";
    const std::string mag = "4'5";
    StoreEventIfNewAt(path, mag, region, "2016-05-10", "09:03", "1'", "%s");
    StoreEventIfNewAt(path, mag, "other", "2016-05-10", "09:03", "1'", "%s");  // same key, date and time
    const std::vector<Row> rows = ReadRows(path);
    ASSERT_EQ(rows.size(), 1U);
    EXPECT_EQ(rows[0].region, region);
    EXPECT_EQ(rows[0].mag, mag);
    EXPECT_EQ(rows[0].wsp1, "1'");
    EXPECT_EQ(rows[0].wsp2, "%s");
    EXPECT_EQ(rows[0].ident, "4'51'%s");

    // The history window's region filter, made the same way, finds it.
    CQuakeDatabase db(path);
    db.Query("select * from trze where data1>='2016-05-01' and data1<='2016-05-31' and region=" + SqlQuote(region) +
             " order by data1 desc,data2 desc");
    EXPECT_EQ(db.GetRowCount(), 1);
}

// A file without the table (deleted and made anew while the program runs) gets the table and its indexes
// when the next event is stored, instead of losing it.
TEST(EventTableTest, MissingTableIsMadeAgainWhenStoring) {
    const std::string path = test::NewDatabasePath();
    StoreEventIfNewAt(path, "4.5", "CRETE", "2016-05-10", "09:03", "35.1", "25.2");
    CQuakeDatabase db(path);
    db.Query("select sql from sqlite_master where name='trze'");
    ASSERT_EQ(db.GetRowCount(), 1);
    EXPECT_EQ(db.GetValue("sql"), kCreateEventTableSql);
    db.Query("select count(*) as n from sqlite_master where type='index' and tbl_name='trze'");
    EXPECT_EQ(db.GetValue("n"), "3");
    EXPECT_EQ(ReadRows(path).size(), 1U);
}

TEST(EventTableTest, CorruptFileIsLeftByteIdentical) {
    const std::string good = NewEventFile();
    StoreEventIfNewAt(good, "4.5", "CRETE", "2016-05-10", "09:03", "35.1", "25.2");
    std::string bytes = test::ReadFileBytes(good);
    ASSERT_GE(bytes.size(), 4096U);
    // Garble the schema on page 1 after the file header.
    for (std::size_t i = 100; i < 4096; ++i) {
        bytes[i] = static_cast<char>(0xA5 ^ i);
    }
    const std::string path = test::MakeTempDir("corrupt") + "/dravik.dat";
    test::WriteFileBytes(path, bytes);

    CreateEventTable(path);
    StoreEventIfNewAt(path, "5.0", "CHILE", "2016-05-10", "09:03", "-30.0", "-70.0");
    EXPECT_TRUE(ReadRows(path).empty());
    EXPECT_EQ(test::ReadFileBytes(path), bytes);
}

// A history query holding a read lock on the other thread must delay the insert, not lose it.
TEST(EventTableTest, InsertWaitsForAConcurrentReader) {
    const std::string path = NewEventFile();
    StoreEventIfNewAt(path, "4.5", "CRETE", "2016-05-10", "09:03", "35.1", "25.2");

    std::atomic<bool> holding{false};
    std::atomic<bool> release{false};
    std::thread reader([&] {
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_exec(db, "BEGIN; select * from trze;", nullptr, nullptr, nullptr);
        holding = true;
        while (!release) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    });
    while (!holding) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    // Without a busy timeout the same insert fails at once: the lock is real.
    sqlite3* bare = nullptr;
    sqlite3_open_v2(path.c_str(), &bare, SQLITE_OPEN_READWRITE, nullptr);
    EXPECT_EQ(sqlite3_exec(bare, "INSERT INTO trze (mag) VALUES ('x')", nullptr, nullptr, nullptr), SQLITE_BUSY);
    sqlite3_close(bare);

    release = true;
    const auto start = std::chrono::steady_clock::now();
    StoreEventIfNewAt(path, "6.1", "JAPAN", "2016-05-10", "10:00", "36.0", "140.0");
    const auto waited = std::chrono::steady_clock::now() - start;
    reader.join();

    EXPECT_GE(waited, std::chrono::milliseconds(200));
    const std::vector<Row> rows = ReadRows(path);
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[1].region, "JAPAN");
}

}  // namespace
}  // namespace dravik
