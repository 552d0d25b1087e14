#include "store/quake_database.h"

#include <sys/stat.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/store/store_test_util.h"

namespace dravik {
namespace {

// A file with table t (a, b, c) holding the given rows; c stays NULL.
std::string MakeTable(const std::vector<std::pair<std::string, std::string>>& rows) {
    const std::string path = test::NewDatabasePath();
    CQuakeDatabase db(path);
    db.Query("CREATE TABLE t (a TEXT, b TEXT, c INTEGER)");
    for (const auto& row : rows) {
        db.ClearFields();
        db.AddField("a", row.first);
        db.AddField("b", row.second);
        db.WriteRecord("t");
    }
    return path;
}

TEST(QuakeDatabaseTest, WalkReadsCellsByExactColumnNameAndHoldsAtTheLastRow) {
    CQuakeDatabase db(MakeTable({{"1", "x"}, {"2", "y"}, {"3", "z"}}));
    db.Query("select * from t order by a");
    ASSERT_EQ(db.GetRowCount(), 3);
    db.MoveFirst();
    EXPECT_EQ(db.GetValue("a"), "1");
    EXPECT_EQ(db.GetValue("b"), "x");
    EXPECT_EQ(db.GetValue("A"), "");  // names compare case-sensitively
    EXPECT_EQ(db.GetValue("c"), "");  // NULL reads as empty
    EXPECT_EQ(db.GetValue("nope"), "");
    for (int i = 0; i < db.GetRowCount(); ++i) {
        db.MoveNext();
    }
    EXPECT_EQ(db.GetValue("a"), "3");
    EXPECT_EQ(db.GetValue("b"), "z");

    // A second query replaces the result and starts at its first row again.
    db.Query("select b as a, a as b from t where a='2'");
    ASSERT_EQ(db.GetRowCount(), 1);
    EXPECT_EQ(db.GetValue("a"), "y");

    db.Close();
    EXPECT_EQ(db.GetValue("a"), "");
}

TEST(QuakeDatabaseTest, FailedOrEmptyQueriesYieldNoRows) {
    const std::string path = MakeTable({{"1", "x"}});
    const std::vector<std::string> statements = {
        "select * from t where a='none'",       // matches nothing
        "select * from missing",                // no such table
        "selec * from t",                       // syntax error
        "CREATE TABLE t (a TEXT, b TEXT)",      // exists already
        std::string("select * from t\0;", 17),  // a NUL would cut the statement
        "",
    };
    for (const std::string& sql : statements) {
        CQuakeDatabase db(path);
        db.Query("select * from t");
        ASSERT_EQ(db.GetRowCount(), 1);
        db.Query(sql);
        EXPECT_EQ(db.GetRowCount(), 0) << sql;
        EXPECT_EQ(db.GetValue("a"), "") << sql;
        db.MoveNext();
        EXPECT_EQ(db.GetValue("a"), "") << sql;
    }
}

TEST(QuakeDatabaseTest, ComposedInsertTexts) {
    struct Case {
        std::string table;
        std::vector<std::pair<std::string, std::string>> pairs;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"trze", {{"mag", "4.5"}, {"region", "CRETE"}}, "INSERT INTO trze (mag,region) VALUES ('4.5','CRETE')"},
        {"t", {{"a", ""}}, "INSERT INTO t (a) VALUES ('')"},
        {"t", {{"b", "2"}, {"a", "1"}, {"b", "3"}}, "INSERT INTO t (b,a,b) VALUES ('2','1','3')"},
        {"t", {{"a", "it's"}}, "INSERT INTO t (a) VALUES ('it''s')"},
        {"t", {}, "INSERT INTO t () VALUES ()"},
        {"", {{"a", "1"}}, ""},
    };
    for (const Case& c : cases) {
        CFieldMap fields;
        for (const auto& pair : c.pairs) {
            fields.Add(pair.first, pair.second);
        }
        EXPECT_EQ(ComposeInsert(c.table, fields), c.expected);
    }
}

TEST(QuakeDatabaseTest, WriteRecordNeedsClearFieldsAndATableName) {
    CQuakeDatabase db(MakeTable({}));
    auto count = [&db] {
        db.Query("select * from t");
        return db.GetRowCount();
    };

    db.AddField("a", "never cleared");
    db.WriteRecord("t");
    EXPECT_EQ(db.LastStatement(), "");
    EXPECT_EQ(count(), 0);

    db.ClearFields();
    db.AddField("a", "1");
    db.WriteRecord("");  // executes nothing and stays in insert mode
    EXPECT_EQ(db.LastStatement(), "");
    db.WriteRecord("t");
    EXPECT_EQ(db.LastStatement(), "INSERT INTO t (a) VALUES ('1')");
    db.WriteRecord("t");  // back to idle: the second write does nothing
    EXPECT_EQ(count(), 1);

    db.ClearFields();
    db.AddField("a", "2");
    db.WriteRecord("missing");  // rejected by SQLite, silently; still back to idle
    db.WriteRecord("t");
    EXPECT_EQ(count(), 1);
}

TEST(QuakeDatabaseTest, ValuesAreStoredByteForByteAndNeverRunAsSql) {
    const std::vector<std::string> values = {
        "it's",
        "'",
        "''",
        "'); DROP TABLE t; --",
        "x' OR '1'='1",
        "100% %s %d %n",
        "\\' \\\" \"",
        "\xA3\xF3\xEA\xB9\xBF\x9C\x8C\xE6 cp1250",  // 8-bit text, not UTF-8
        "\xFF\xFE\x80",
        std::string("nul\0inside", 10),
        std::string("\0", 1),
        " lead and trail ",
        "line\nbreak\ttab",
    };
    const std::string path = MakeTable({});
    for (const std::string& value : values) {
        CQuakeDatabase db(path);
        db.ClearFields();
        db.AddField("a", value);
        db.AddField("b", "marker");
        db.WriteRecord("t");
        db.Query("select * from t where a=" + SqlQuote(value));
        ASSERT_EQ(db.GetRowCount(), 1) << value;
        EXPECT_EQ(db.GetValue("a"), value);
        EXPECT_EQ(db.GetValue("b"), "marker");
        db.Query("delete from t");
    }
    CQuakeDatabase db(path);
    db.Query("select * from sqlite_master where name='t'");
    EXPECT_EQ(db.GetRowCount(), 1);
}

TEST(QuakeDatabaseTest, SqlQuoteMakesOneLiteral) {
    EXPECT_EQ(SqlQuote(""), "''");
    EXPECT_EQ(SqlQuote("CRETE"), "'CRETE'");
    EXPECT_EQ(SqlQuote("it's"), "'it''s'");
    EXPECT_EQ(SqlQuote(std::string("a\0b", 3)), "CAST(X'610062' AS TEXT)");
}

TEST(QuakeDatabaseTest, UnusableFileBehavesAsFailedStatementsAndIsLeftAlone) {
    const std::string dir = test::MakeTempDir("bad");
    std::string header("SQLite format 3\0", 16);
    const std::vector<std::pair<std::string, std::string>> files = {
        {"text.dat", "this is not a database, just some text\n"},
        {"header.dat", header + std::string(4080, '\x5A')},
        {"short.dat", header.substr(0, 10)},
    };
    for (const auto& file : files) {
        const std::string path = dir + "/" + file.first;
        test::WriteFileBytes(path, file.second);
        {
            CQuakeDatabase db(path);
            db.Query("CREATE TABLE t (a TEXT)");
            db.ClearFields();
            db.AddField("a", "1");
            db.WriteRecord("t");
            db.Query("select * from sqlite_master");
            EXPECT_EQ(db.GetRowCount(), 0) << file.first;
        }
        EXPECT_EQ(test::ReadFileBytes(path), file.second) << file.first;
        struct stat st {};
        EXPECT_NE(::stat((path + "-journal").c_str(), &st), 0) << file.first;
    }

    // A directory where the file should be.
    const std::string dirPath = dir + "/adir";
    ::mkdir(dirPath.c_str(), 0700);
    CQuakeDatabase db(dirPath);
    EXPECT_FALSE(db.IsOpen());
    db.Query("CREATE TABLE t (a TEXT)");
    db.ClearFields();
    db.AddField("a", "1");
    db.WriteRecord("t");
    db.Query("select 1 as one");
    EXPECT_EQ(db.GetRowCount(), 0);
    EXPECT_EQ(db.GetValue("one"), "");

    // A path that cannot be made at all.
    CQuakeDatabase missing(dir + "/no/such/dir/dravik.dat");
    missing.Query("select 1 as one");
    EXPECT_EQ(missing.GetRowCount(), 0);
}

TEST(QuakeDatabaseTest, EmptyFileBecomesADatabase) {
    const std::string path = test::NewDatabasePath();
    test::WriteFileBytes(path, "");
    CQuakeDatabase db(path);
    db.Query("CREATE TABLE t (a TEXT)");
    db.Query("select * from sqlite_master");
    EXPECT_EQ(db.GetRowCount(), 1);
}

}  // namespace
}  // namespace dravik
