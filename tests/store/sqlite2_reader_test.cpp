#include "store/sqlite2_reader.h"

#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/common/test_env.h"

namespace dravik {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The dump form of the old shell: TAB between fields, LF after each row, NULL as `nullText`.
std::string Dump(const Sqlite2Table& table, const std::string& nullText) {
    std::string out;
    for (const Sqlite2Row& row : table.rows) {
        for (std::size_t i = 0; i < row.values.size(); ++i) {
            if (i > 0) {
                out += '\t';
            }
            out += row.values[i] ? *row.values[i] : nullText;
        }
        out += '\n';
    }
    return out;
}

class Sqlite2FixtureTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string missing = test::MissingFixtures("sqlite2");
        ASSERT_TRUE(missing.empty()) << missing;
        m_dir = test::FixturesDir() + "/sqlite2/";
    }
    std::string m_dir;
};

TEST_F(Sqlite2FixtureTest, EveryDatabaseReadsToExactlyItsDump) {
    const struct {
        const char* name;
        std::size_t rows;
    } cases[] = {{"empty-table", 0}, {"small", 12}, {"small-bigendian", 12}, {"large", 20003}, {"deleted-rows", 1288}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto table = ReadSqlite2Table(ReadFile(m_dir + c.name + ".dat"), "trze");
        ASSERT_TRUE(table.has_value());
        EXPECT_EQ(table->columns,
                  (std::vector<std::string>{"ID_trz", "ident", "mag", "region", "data1", "data2", "wsp1", "wsp2"}));
        EXPECT_EQ(table->rows.size(), c.rows);
        EXPECT_EQ(Dump(*table, ""), ReadFile(m_dir + c.name + ".tsv"));
    }
}

TEST_F(Sqlite2FixtureTest, NullIsToldApartFromEmptyTextAndRowidsKeepGaps) {
    const auto small = ReadSqlite2Table(ReadFile(m_dir + "small.dat"), "TRZE");  // table name without case
    ASSERT_TRUE(small.has_value());
    EXPECT_EQ(Dump(*small, "\\N"), ReadFile(m_dir + "small.nullmarked.tsv"));
    EXPECT_EQ(small->rows[7].values[3], std::optional<std::string>(""));
    EXPECT_EQ(small->rows[6].values[3], std::optional<std::string>("POLSKA - L\xB9"
                                                                   "dek-Zdr\xF3j, Ga\xE6"));

    const auto deleted = ReadSqlite2Table(ReadFile(m_dir + "deleted-rows.dat"), "trze");
    ASSERT_TRUE(deleted.has_value());
    EXPECT_EQ(deleted->rows.front().rowid, 1);
    EXPECT_EQ(deleted->rows.back().rowid, 3001);
    for (const Sqlite2Row& row : deleted->rows) {
        EXPECT_FALSE(row.rowid >= 1001 && row.rowid <= 2500) << row.rowid;
        EXPECT_NE(row.rowid % 7, 0) << row.rowid;
    }

    const auto large = ReadSqlite2Table(ReadFile(m_dir + "large.dat"), "trze");
    ASSERT_TRUE(large.has_value());
    EXPECT_EQ(large->rows[20002].values[3]->size(), 70000u);  // three-byte offsets and 69 overflow pages
}

TEST_F(Sqlite2FixtureTest, DamagedOrForeignFilesAreRefused) {
    EXPECT_FALSE(ReadSqlite2Table(ReadFile(m_dir + "not-sqlite.dat"), "trze").has_value());
    EXPECT_FALSE(ReadSqlite2Table(ReadFile(m_dir + "truncated.dat"), "trze").has_value());
    EXPECT_FALSE(ReadSqlite2Table(ReadFile(m_dir + "small.dat"), "other").has_value());

    const std::string small = ReadFile(m_dir + "small.dat");
    std::string badMagic = small;
    badMagic[48] = 0;
    EXPECT_FALSE(ReadSqlite2Table(badMagic, "trze").has_value());

    // Whole pages cut off the end: the tree then points past the file.
    EXPECT_FALSE(ReadSqlite2Table(small.substr(0, 3 * 1024), "trze").has_value());

    // The root's right child pointing back at the root would loop for ever.
    std::string loop = small;
    const std::size_t page3 = 2 * 1024;
    loop[page3] = 3;
    loop[page3 + 1] = loop[page3 + 2] = loop[page3 + 3] = 0;
    EXPECT_FALSE(ReadSqlite2Table(loop, "trze").has_value());

    // A long row's overflow chain cut short.
    std::string large = ReadFile(m_dir + "large.dat");
    EXPECT_FALSE(ReadSqlite2Table(large.substr(0, large.size() - 1024), "trze").has_value());
}

TEST_F(Sqlite2FixtureTest, EverySingleByteDamageIsReadSafely) {
    // Flipping any one byte must give either a clean refusal or rows; never a crash (ASan watches).
    const std::string small = ReadFile(m_dir + "small.dat");
    for (std::size_t i = 48; i < small.size(); i += 3) {
        std::string damaged = small;
        damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
        const auto table = ReadSqlite2Table(damaged, "trze");
        if (table) {
            EXPECT_LE(table->rows.size(), 12u);
        }
    }
}

TEST(Sqlite2ColumnsTest, CreateTableTextGivesColumnNames) {
    EXPECT_EQ(ColumnsOfCreateTable("CREATE TABLE trze (ID_trz INTEGER,ident  varchar(31),mag    varchar(4),"
                                   "region varchar(40),data1 varchar(15),data2 varchar(15),wsp1 varchar(8),"
                                   "wsp2 varchar(8))"),
              (std::vector<std::string>{"ID_trz", "ident", "mag", "region", "data1", "data2", "wsp1", "wsp2"}));
    EXPECT_EQ(ColumnsOfCreateTable("create table t(\"a b\" text, x decimal(10,2), PRIMARY KEY(x))"),
              (std::vector<std::string>{"a b", "x"}));
    EXPECT_TRUE(ColumnsOfCreateTable("create table t").empty());
    EXPECT_TRUE(ColumnsOfCreateTable("create table t(a,,b)").empty());
}

}  // namespace
}  // namespace dravik
