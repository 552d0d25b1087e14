// A damaged archive, or one that is another program's, is kept as it is and a new one started.
#include <filesystem>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "store/event_table.h"
#include "store/quake_database.h"
#include "tests/store/store_test_util.h"

namespace dravik {
namespace {

namespace fs = std::filesystem;

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

// An archive of the program's with enough rows to span many pages.
std::string FilledArchive() {
    const std::string path = test::NewDatabasePath();
    std::vector<EventRecord> records;
    for (int i = 0; i < 3000; ++i) {
        EventRecord r("4." + std::to_string(i % 10), "REGION " + std::to_string(i), "2024-01-01", "12:00",
                      std::to_string(i), "20.00 ");
        r.id = "emsc:" + std::to_string(i);
        r.source = "emsc";
        records.push_back(r);
    }
    EXPECT_TRUE(StoreEventsIfNew(path, records).Ok());
    return path;
}

void ExpectSetAsideAndReplaced(const std::string& path, const std::string& bytes, const std::string& what) {
    const ArchiveWriteResult result = PrepareOrReplaceEventTable(path, nullptr);
    EXPECT_TRUE(result.Ok()) << what << ": " << result.detail;
    ASSERT_EQ(result.setAside, "dravik.dat.damaged-1") << what;
    const std::string kept = fs::path(path).parent_path() / result.setAside;
    EXPECT_EQ(test::ReadFileBytes(kept), bytes) << what << ": the kept file was changed";
    // Archiving goes on in a new file.
    EventRecord r("5.0", "NEW", "2024-01-02", "10:00", "1.00 ", "2.00 ");
    r.id = "emsc:new";
    r.source = "emsc";
    EXPECT_TRUE(StoreEventsIfNew(path, {r}).Ok()) << what;
    CQuakeDatabase db(path);
    db.Query("select count(*) as n from trze");
    EXPECT_EQ(db.GetValue("n"), "1") << what;
}

TEST(ArchiveSetAsideTest, ADamagedArchiveIsKeptAsItIsAndANewOneStarted) {
    {
        const std::string path = test::NewDatabasePath();
        const std::string bytes = RandomBytes(64 * 1024, 1);
        test::WriteFileBytes(path, bytes);
        ExpectSetAsideAndReplaced(path, bytes, "random bytes");
    }
    {
        const std::string path = FilledArchive();
        std::string bytes = test::ReadFileBytes(path);
        bytes.resize(bytes.size() / 2);
        test::WriteFileBytes(path, bytes);
        ExpectSetAsideAndReplaced(path, bytes, "cut in half");
    }
    {
        const std::string path = FilledArchive();
        std::string bytes = test::ReadFileBytes(path);
        const std::string garbage = RandomBytes(4096, 2);
        bytes.replace(bytes.size() / 2 / 4096 * 4096, garbage.size(), garbage);
        test::WriteFileBytes(path, bytes);
        ExpectSetAsideAndReplaced(path, bytes, "a page of garbage");
    }
    // A second damaged archive does not take the first one's name.
    const std::string path = test::NewDatabasePath();
    test::WriteFileBytes(path + ".damaged-1", "earlier");
    test::WriteFileBytes(path, RandomBytes(8192, 3));
    EXPECT_EQ(PrepareOrReplaceEventTable(path, nullptr).setAside, "dravik.dat.damaged-2");
    EXPECT_EQ(test::ReadFileBytes(path + ".damaged-1"), "earlier");
}

TEST(ArchiveSetAsideTest, AnotherProgramsFileIsNotChangedButOursWithTablesOfTheUsersIsKept) {
    {
        const std::string path = test::NewDatabasePath();
        CQuakeDatabase(path).Query("CREATE TABLE trze_id (x)");
        const std::string bytes = test::ReadFileBytes(path);
        ExpectSetAsideAndReplaced(path, bytes, "a side table of another shape");
    }
    {
        const std::string path = test::NewDatabasePath();
        CQuakeDatabase(path).Query("CREATE TABLE accounts (name, balance)");
        const std::string bytes = test::ReadFileBytes(path);
        ExpectSetAsideAndReplaced(path, bytes, "another program's database");
    }
    const std::string path = FilledArchive();
    CQuakeDatabase(path).Query("CREATE TABLE my_notes (quake, note)");
    const ArchiveWriteResult result = PrepareOrReplaceEventTable(path, nullptr);
    EXPECT_TRUE(result.Ok());
    EXPECT_TRUE(result.setAside.empty());
    CQuakeDatabase db(path);
    db.Query("select count(*) as n from trze");
    EXPECT_EQ(db.GetValue("n"), "3000");
}

}  // namespace
}  // namespace dravik
