#include "store/legacy_import.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/event_table.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The archive's rows in the old shell's dump form, NULL as `nullText`.
std::string DumpArchive(const std::string& path, const std::string& nullText) {
    sqlite3* db = nullptr;
    std::string out;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "SELECT ID_trz,ident,mag,region,data1,data2,wsp1,wsp2 FROM trze ORDER BY rowid", -1,
                           &stmt, nullptr);
        while (stmt != nullptr && sqlite3_step(stmt) == SQLITE_ROW) {
            for (int i = 0; i < 8; ++i) {
                out += i > 0 ? "\t" : "";
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
                out += text != nullptr ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)))
                                       : nullText;
            }
            out += '\n';
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return out;
}

int IndexCount(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master WHERE type='index' AND tbl_name='trze'", -1, &stmt,
                       nullptr);
    const int count = stmt != nullptr && sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return count;
}

class LegacyImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string missing = test::MissingFixtures("sqlite2");
        ASSERT_TRUE(missing.empty()) << missing;
        m_fixtures = test::FixturesDir() + "/sqlite2/";
        m_dir = test::MakeTempDir("legacy");
        m_archive = m_dir + "/dravik.dat";
    }
    void Place(const std::string& fixture) {
        fs::copy_file(m_fixtures + fixture, m_archive, fs::copy_options::overwrite_existing);
    }
    std::string m_fixtures, m_dir, m_archive;
};

TEST_F(LegacyImportTest, ConvertsRowsToUtf8AndKeepsTheOldFileByteIdentical) {
    Place("small.dat");
    const std::string original = ReadFile(m_archive);

    EXPECT_EQ(ImportLegacyArchiveIfNeeded(m_archive), LegacyImportResult::Converted);

    EXPECT_EQ(ReadFile(m_archive + ".sqlite2"), original);
    EXPECT_EQ(DumpArchive(m_archive, "\\N"), Cp1250ToUtf8(ReadFile(m_fixtures + "small.nullmarked.tsv")));
    EXPECT_NE(DumpArchive(m_archive, "").find("POLSKA - Lądek-Zdrój, Gać"), std::string::npos);
    EXPECT_EQ(IndexCount(m_archive), static_cast<int>(std::size(kEventTableIndexSql)));

    // The new archive is SQLite 3: a second start finds nothing to do and changes nothing.
    const std::string converted = ReadFile(m_archive);
    EXPECT_EQ(ImportLegacyArchiveIfNeeded(m_archive), LegacyImportResult::NotLegacy);
    EXPECT_EQ(ReadFile(m_archive), converted);
    EXPECT_FALSE(fs::exists(m_archive + ".sqlite2.1"));
}

TEST_F(LegacyImportTest, NeverOverwritesAnEarlierMovedAsideFile) {
    std::ofstream(m_archive + ".sqlite2") << "earlier";
    std::ofstream(m_archive + ".sqlite2.1") << "earlier too";
    Place("small-bigendian.dat");
    const std::string original = ReadFile(m_archive);

    EXPECT_EQ(ImportLegacyArchiveIfNeeded(m_archive), LegacyImportResult::Converted);

    EXPECT_EQ(ReadFile(m_archive + ".sqlite2"), "earlier");
    EXPECT_EQ(ReadFile(m_archive + ".sqlite2.1"), "earlier too");
    EXPECT_EQ(ReadFile(m_archive + ".sqlite2.2"), original);
    EXPECT_EQ(DumpArchive(m_archive, ""), Cp1250ToUtf8(ReadFile(m_fixtures + "small-bigendian.tsv")));
}

TEST_F(LegacyImportTest, UnreadableOldFileIsMovedAsideAndANewArchiveStarts) {
    Place("truncated.dat");
    const std::string original = ReadFile(m_archive);

    EXPECT_EQ(ImportLegacyArchiveIfNeeded(m_archive), LegacyImportResult::Unreadable);

    EXPECT_EQ(ReadFile(m_archive + ".sqlite2"), original);
    EXPECT_EQ(DumpArchive(m_archive, ""), "");
    EXPECT_EQ(IndexCount(m_archive), static_cast<int>(std::size(kEventTableIndexSql)));
}

TEST_F(LegacyImportTest, OtherFilesAreLeftAlone) {
    EXPECT_EQ(ImportLegacyArchiveIfNeeded(m_archive), LegacyImportResult::NotLegacy);  // no file at all
    EXPECT_FALSE(fs::exists(m_archive));

    Place("not-sqlite.dat");
    const std::string original = ReadFile(m_archive);
    EXPECT_EQ(ImportLegacyArchiveIfNeeded(m_archive), LegacyImportResult::NotLegacy);
    EXPECT_EQ(ReadFile(m_archive), original);
    EXPECT_FALSE(fs::exists(m_archive + ".sqlite2"));
}

TEST_F(LegacyImportTest, AReadOnlyDirectoryLeavesEverythingAsItWas) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only directories";
    }
    Place("small.dat");
    fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(ImportLegacyArchiveIfNeeded(m_archive), LegacyImportResult::Failed);
    fs::permissions(m_dir, fs::perms::owner_all);
    EXPECT_EQ(ReadFile(m_archive), ReadFile(m_fixtures + "small.dat"));
}

TEST_F(LegacyImportTest, LargeArchiveConvertsInOneTransaction) {
    Place("large.dat");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ImportLegacyArchiveIfNeeded(m_archive), LegacyImportResult::Converted);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    RecordProperty("conversion_ms", static_cast<int>(ms));
    std::printf("large.dat (20,003 rows) converted in %lld ms\n", static_cast<long long>(ms));
    EXPECT_EQ(DumpArchive(m_archive, ""), Cp1250ToUtf8(ReadFile(m_fixtures + "large.tsv")));
}

mode_t FileMode(const std::string& path) {
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

// Restores the process's umask when it goes.
class ScopedUmask final {
public:
    explicit ScopedUmask(mode_t mask) : m_previous(::umask(mask)) {}
    ~ScopedUmask() { ::umask(m_previous); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t m_previous;
};

TEST_F(LegacyImportTest, ConvertedArchiveHasTheModeOfANewArchive) {
    for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{002}, mode_t{0}}) {
        SCOPED_TRACE(testing::Message() << "umask " << std::oct << mask);
        const ScopedUmask scoped(mask);
        const std::string fresh = test::MakeTempDir("fresh") + "/dravik.dat";
        CreateEventTable(fresh);
        const std::string dir = test::MakeTempDir("converted");
        const std::string converted = dir + "/dravik.dat";
        fs::copy_file(m_fixtures + "small.dat", converted);
        ASSERT_EQ(ImportLegacyArchiveIfNeeded(converted), LegacyImportResult::Converted);
        ASSERT_NE(FileMode(fresh), 0u);
        EXPECT_EQ(FileMode(converted), FileMode(fresh));
    }
}

TEST_F(LegacyImportTest, LeftoversOfAnInterruptedConversionGoBeforeTheNextOne) {
    Place("small.dat");
    for (const char* name : {"dravik.dat.import-Ab12Cd", "dravik.dat.import-Ab12Cd-journal"}) {
        std::ofstream(m_dir + "/" + name) << "half written";
    }
    EXPECT_EQ(ImportLegacyArchiveIfNeeded(m_archive), LegacyImportResult::Converted);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"dravik.dat", "dravik.dat.sqlite2"}));
}

TEST(LegacyImportLeftoversTest, OnlyTheConversionsOwnFilesAreRemoved) {
    struct Case {
        const char* name;
        bool bRemoved;
    };
    const Case cases[] = {
        {"dravik.dat.import-Ab12Cd", true},
        {"dravik.dat.import-Zz9900-journal", true},
        {"dravik.dat.import-Zz9900-wal", true},
        {"dravik.dat.import-Zz9900-shm", true},
        {"dravik.dat", false},
        {"dravik.dat-journal", false},
        {"dravik.dat.sqlite2", false},
        {"dravik.dat.import-abc", false},
        {"dravik.dat.import-Ab12Cd.bak", false},
        {"dravik.dat.import-Ab12Cd-journalx", false},
        {"dravik.dat.import-Ab_2Cd", false},
        {"other.dat.import-Ab12Cd", false},
        {"xdravik.dat.import-Ab12Cd", false},
    };
    for (const bool bArchiveThere : {true, false}) {
        SCOPED_TRACE(bArchiveThere ? "current archive there" : "no archive");
        const std::string dir = test::MakeTempDir("leftovers");
        const std::string archive = dir + "/dravik.dat";
        if (bArchiveThere) {
            CreateEventTable(archive);
        }
        for (const Case& c : cases) {
            if (!bArchiveThere || std::string(c.name) != "dravik.dat") {
                std::ofstream(dir + "/" + c.name) << "x";
            }
        }
        // A directory of a leftover's name is not one of ours.
        fs::create_directory(dir + "/dravik.dat.import-Dir123");
        std::ofstream(dir + "/dravik.dat.import-Dir123/inside") << "x";

        EXPECT_EQ(ImportLegacyArchiveIfNeeded(archive), LegacyImportResult::NotLegacy);

        for (const Case& c : cases) {
            EXPECT_EQ(fs::exists(dir + "/" + c.name), !c.bRemoved) << c.name;
        }
        EXPECT_TRUE(fs::exists(dir + "/dravik.dat.import-Dir123/inside"));
    }
}

TEST(Cp1250Test, PolishLettersAndUndefinedBytes) {
    EXPECT_EQ(Cp1250ToUtf8("\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF"),
              "ąćęłńóśźżĄĆĘŁŃÓŚŹŻ");
    EXPECT_EQ(Cp1250ToUtf8("plain ASCII 4.5"), "plain ASCII 4.5");
    EXPECT_EQ(Cp1250ToUtf8("\x80\x81"), "\u20AC\u0081");
}

}  // namespace
}  // namespace dravik
