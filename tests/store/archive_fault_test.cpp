// The archive under the faults a desktop meets: a full disk, a read-only directory, a lock held by another
// program, the file deleted, several writers at once. Each time: the write reports the fault, stores nothing
// half, and once the fault is gone every event is stored exactly once.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "store/event_table.h"
#include "store/quake_database.h"
#include "tests/common/test_env.h"
#include "tests/common/timing.h"

namespace dravik {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<EventRecord> Events(int count, int first = 0) {
    std::vector<EventRecord> events;
    for (int i = first; i < first + count; ++i) {
        events.push_back(EventRecord{std::to_string(2 + i % 60 / 10.0).substr(0, 3), "REGION " + std::to_string(i),
                                     "2026-12-07", "10:00", std::to_string(i % 90) + "." + std::to_string(i) + " ",
                                     std::to_string(i % 180) + ".5 "});
    }
    return events;
}

// Rows per identity key; every value 1 means "stored exactly once".
std::vector<int> CountsPerKey(const std::string& path) {
    CQuakeDatabase db(path);
    db.Query("select count(*) as n from trze group by ident order by ident");
    std::vector<int> counts;
    db.MoveFirst();
    for (int i = 0; i < db.GetRowCount(); ++i) {
        counts.push_back(std::stoi(db.GetValue("n")));
        db.MoveNext();
    }
    return counts;
}

void ExpectEachStoredOnce(const std::string& path, std::size_t expected) {
    const std::vector<int> counts = CountsPerKey(path);
    EXPECT_EQ(counts.size(), expected);
    for (int n : counts) {
        ASSERT_EQ(n, 1);
    }
}

// A small tmpfs of its own, where the machine lets the test mount one (root on a machine that allows mounts);
// unmounted again at the end.
class ScopedTmpfs final {
public:
    explicit ScopedTmpfs(const std::string& options) : m_dir(test::MakeTempDir("tmpfs")) {
        m_mounted = ::mount("tmpfs", m_dir.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~ScopedTmpfs() {
        if (m_mounted) {
            ::umount2(m_dir.c_str(), MNT_DETACH);
        }
    }
    bool Mounted() const { return m_mounted; }
    const std::string& Dir() const { return m_dir; }
    bool SetReadOnly(bool readOnly) {
        return ::mount("tmpfs", m_dir.c_str(), "tmpfs", MS_REMOUNT | (readOnly ? MS_RDONLY : 0), nullptr) == 0;
    }

private:
    std::string m_dir;
    bool m_mounted = false;
};

// Fills the file system holding `dir` to the last byte.
std::string FillUp(const std::string& dir) {
    const std::string filler = dir + "/filler";
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const std::vector<char> block(4096, 'x');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    while (::write(fd, block.data(), 1) > 0) {
    }
    ::close(fd);
    return filler;
}

TEST(ArchiveFaultTest, DiskFullStoresNothingAndEverythingOnceTheSpaceIsBack) {
    ScopedTmpfs fs("size=512k");
    if (!fs.Mounted()) {
        GTEST_SKIP() << "this machine does not let the test mount a tmpfs (needs root and mount rights)";
    }
    const std::string path = fs.Dir() + "/dravik.dat";
    ASSERT_TRUE(StoreEventsIfNew(path, Events(5)).Ok());
    const std::string filler = FillUp(fs.Dir());

    const ArchiveWriteResult full = StoreEventsIfNew(path, Events(300));
    EXPECT_EQ(full.fault, ArchiveFault::kDiskFull) << full.detail;
    EXPECT_EQ(full.stored, 0U);
    ExpectEachStoredOnce(path, 5);

    ::unlink(filler.c_str());
    const ArchiveWriteResult after = StoreEventsIfNew(path, Events(300));
    EXPECT_TRUE(after.Ok()) << after.detail;
    EXPECT_EQ(after.stored, 295U);
    ExpectEachStoredOnce(path, 300);
}

// The same fault where no file system can be mounted: a file size limit makes writes fail as a full disk does.
TEST(ArchiveFaultTest, FileSizeLimitCountsAsDiskFull) {
    const std::string path = test::MakeTempDir("fsize") + "/dravik.dat";
    ASSERT_TRUE(StoreEventsIfNew(path, Events(5)).Ok());
    struct rlimit saved = {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = saved;
    limit.rlim_cur = 8192;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const ArchiveWriteResult full = StoreEventsIfNew(path, Events(500));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(full.fault, ArchiveFault::kDiskFull) << full.detail;
    ExpectEachStoredOnce(path, 5);
    EXPECT_TRUE(StoreEventsIfNew(path, Events(500)).Ok());
    ExpectEachStoredOnce(path, 500);
}

TEST(ArchiveFaultTest, ReadOnlyDirectoryThenWritableAgain) {
    ScopedTmpfs fs("size=1m");
    std::string dir;
    if (fs.Mounted()) {
        dir = fs.Dir();
    } else if (::geteuid() != 0) {
        dir = test::MakeTempDir("readonly");
    } else {
        GTEST_SKIP() << "as root without mount rights nothing here is read-only";
    }
    const std::string path = dir + "/dravik.dat";
    ASSERT_TRUE(StoreEventsIfNew(path, Events(3)).Ok());
    const bool readOnly = fs.Mounted() ? fs.SetReadOnly(true) : ::chmod(dir.c_str(), 0500) == 0;
    ASSERT_TRUE(readOnly);

    const ArchiveWriteResult refused = StoreEventsIfNew(path, Events(20));
    EXPECT_EQ(refused.fault, ArchiveFault::kReadOnly) << refused.detail;
    // A new archive in a read-only directory cannot even be made.
    EXPECT_EQ(StoreEventsIfNew(dir + "/other.dat", Events(1)).fault, ArchiveFault::kReadOnly);

    ASSERT_TRUE(fs.Mounted() ? fs.SetReadOnly(false) : ::chmod(dir.c_str(), 0700) == 0);
    EXPECT_TRUE(StoreEventsIfNew(path, Events(20)).Ok());
    ExpectEachStoredOnce(path, 20);
}

// Another program holds the archive with BEGIN EXCLUSIVE for longer than the busy timeout.
class HeldArchive final {
public:
    explicit HeldArchive(const std::string& path) {
        sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
        m_held = sqlite3_exec(m_db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~HeldArchive() { Release(); }
    bool Held() const { return m_held; }
    void Release() {
        if (m_db != nullptr) {
            sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_close(m_db);
            m_db = nullptr;
        }
    }

private:
    sqlite3* m_db = nullptr;
    bool m_held = false;
};

TEST(ArchiveFaultTest, LockedLongerThanTheTimeoutThenReleased) {
    const std::string path = test::MakeTempDir("locked") + "/dravik.dat";
    ASSERT_TRUE(StoreEventsIfNew(path, Events(2)).Ok());
    HeldArchive other(path);
    ASSERT_TRUE(other.Held());

    const ArchiveWriteResult locked = StoreEventsIfNew(path, Events(40));
    EXPECT_EQ(locked.fault, ArchiveFault::kLocked) << locked.detail;

    // A stop while waiting for the lock ends the wait at once.
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stop = true;
    });
    const auto start = Clock::now();
    const ArchiveWriteResult stopped = StoreEventsIfNew(path, Events(40), &stop);
    const auto waited = Clock::now() - start;
    stopper.join();
    EXPECT_EQ(stopped.fault, ArchiveFault::kInterrupted);
    if (test::kTimingMeaningful) {
        EXPECT_LT(waited, std::chrono::seconds(2));
    }

    other.Release();
    EXPECT_TRUE(StoreEventsIfNew(path, Events(40)).Ok());
    ExpectEachStoredOnce(path, 40);
}

// What a start does to the archive (off the UI thread) tells a locked archive, gives up at once on a stop, and
// makes the tables once the lock is gone.
TEST(ArchiveFaultTest, PreparingALockedArchiveSaysSoAndStopsOnRequest) {
    const std::string path = test::MakeTempDir("locked-start") + "/dravik.dat";
    ASSERT_TRUE(StoreEventsIfNew(path, Events(1)).Ok());
    {
        CQuakeDatabase db(path);
        db.Query("DROP TABLE trze_id");
    }
    HeldArchive other(path);
    ASSERT_TRUE(other.Held());
    EXPECT_EQ(PrepareEventTable(path, nullptr).fault, ArchiveFault::kLocked);
    std::atomic<bool> stop{true};
    const auto start = Clock::now();
    EXPECT_EQ(PrepareEventTable(path, &stop).fault, ArchiveFault::kInterrupted);
    if (test::kTimingMeaningful) {
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    }
    other.Release();
    EXPECT_TRUE(PrepareEventTable(path, nullptr).Ok());
    CQuakeDatabase db(path);
    db.Query("select count(*) as n from trze_id");
    EXPECT_EQ(db.GetLastResult(), SQLITE_OK);
}

TEST(ArchiveFaultTest, FileDeletedWhileRunningIsMadeAgain) {
    const std::string path = test::MakeTempDir("deleted") + "/dravik.dat";
    ASSERT_TRUE(StoreEventsIfNew(path, Events(10)).Ok());
    ASSERT_EQ(::unlink(path.c_str()), 0);
    const ArchiveWriteResult result = StoreEventsIfNew(path, Events(10, 10));
    EXPECT_TRUE(result.Ok()) << result.detail;
    EXPECT_EQ(result.stored, 10U);
    ExpectEachStoredOnce(path, 10);
}

TEST(ArchiveFaultTest, DamagedFileIsReportedAndLeftAlone) {
    const std::string path = test::MakeTempDir("damaged") + "/dravik.dat";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const std::string junk(8192, '\x5A');
    std::fwrite(junk.data(), 1, junk.size(), file);
    std::fclose(file);
    EXPECT_EQ(StoreEventsIfNew(path, Events(3)).fault, ArchiveFault::kDamaged);
}

// Several programs (here threads, each with its own connection) storing the same events at once: each key
// once, whoever wins.
TEST(ArchiveFaultTest, ConcurrentWritersNeverStoreAKeyTwice) {
    const std::string path = test::MakeTempDir("writers") + "/dravik.dat";
    CreateEventTable(path);
    std::vector<std::thread> writers;
    std::atomic<int> failures{0};
    for (int w = 0; w < 3; ++w) {
        writers.emplace_back([&] {
            for (int round = 0; round < 10; ++round) {
                if (!StoreEventsIfNew(path, Events(20 * (round + 1))).Ok()) {
                    ++failures;
                }
            }
        });
    }
    for (std::thread& t : writers) {
        t.join();
    }
    EXPECT_EQ(failures.load(), 0);
    ExpectEachStoredOnce(path, 200);
}

TEST(ArchiveFaultTest, ClassificationOfLibraryAndSystemErrors) {
    const struct {
        int result, system;
        ArchiveFault fault;
    } cases[] = {
        {SQLITE_OK, 0, ArchiveFault::kNone},
        {SQLITE_FULL, 0, ArchiveFault::kDiskFull},
        {SQLITE_IOERR_WRITE, ENOSPC, ArchiveFault::kDiskFull},
        {SQLITE_IOERR_WRITE, EFBIG, ArchiveFault::kDiskFull},
        {SQLITE_READONLY_DBMOVED, 0, ArchiveFault::kReadOnly},
        {SQLITE_CANTOPEN, EACCES, ArchiveFault::kReadOnly},
        {SQLITE_CANTOPEN, EROFS, ArchiveFault::kReadOnly},
        {SQLITE_CANTOPEN, ENOENT, ArchiveFault::kOther},
        {SQLITE_BUSY, 0, ArchiveFault::kLocked},
        {SQLITE_BUSY_SNAPSHOT, 0, ArchiveFault::kLocked},
        {SQLITE_NOTADB, 0, ArchiveFault::kDamaged},
        {SQLITE_CORRUPT, 0, ArchiveFault::kDamaged},
        {SQLITE_INTERRUPT, 0, ArchiveFault::kInterrupted},
        {SQLITE_IOERR_READ, EIO, ArchiveFault::kOther},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ClassifyArchiveError(c.result, c.system), c.fault) << c.result << " " << c.system;
    }
}

}  // namespace
}  // namespace dravik
