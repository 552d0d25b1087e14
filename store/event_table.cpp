#include "store/event_table.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include <algorithm>
#include <cerrno>

#include "platform/environment.h"
#include "store/quake_database.h"
#include "store/quake_ids.h"

namespace dravik {

std::string EventIdent(const std::string& mag, const std::string& wsp1, const std::string& wsp2) {
    std::string ident = mag + wsp1 + wsp2;
    std::replace(ident.begin(), ident.end(), ' ', '#');
    return ident;
}

std::string DuplicateCheckSql(const std::string& ident) {
    return "select * from trze where ident=" + SqlQuote(ident);
}

ArchiveFault ClassifyArchiveError(int sqliteResult, int systemError) {
    if (systemError == ENOSPC || systemError == EDQUOT || systemError == EFBIG) {
        return ArchiveFault::kDiskFull;
    }
    if (systemError == EROFS || systemError == EACCES || systemError == EPERM) {
        return ArchiveFault::kReadOnly;
    }
    switch (sqliteResult & 0xFF) {
        case SQLITE_OK:
            return ArchiveFault::kNone;
        case SQLITE_FULL:
            return ArchiveFault::kDiskFull;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return ArchiveFault::kReadOnly;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return ArchiveFault::kLocked;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
        case SQLITE_FORMAT:
            return ArchiveFault::kDamaged;
        case SQLITE_INTERRUPT:
            return ArchiveFault::kInterrupted;
        default:
            return ArchiveFault::kOther;
    }
}

namespace {

// The failure of the statement the database object ran last; a stop that came meanwhile makes it an interrupt,
// whatever the library called it (a lock wait given up reads as busy).
ArchiveWriteResult Failure(const CQuakeDatabase& db, const std::atomic<bool>* stop) {
    ArchiveWriteResult result;
    result.fault = (stop != nullptr && stop->load())
                       ? ArchiveFault::kInterrupted
                       : ClassifyArchiveError(db.GetLastResult(), db.GetLastSystemError());
    if (result.fault == ArchiveFault::kNone) {
        result.fault = ArchiveFault::kOther;
    }
    result.detail = db.GetLastError();
    return result;
}

bool TableExists(CQuakeDatabase& db) {
    db.Query("select name from sqlite_master where type='table' and name='trze'");
    return db.GetLastResult() == SQLITE_OK && db.GetRowCount() > 0;
}

}  // namespace

ArchiveWriteResult StoreEventsIfNew(const std::string& path, const std::vector<EventRecord>& records,
                                    const std::atomic<bool>* stop) {
    if (records.empty()) {
        return {};
    }
    CQuakeDatabase db(path);
    db.SetStopFlag(stop);
    if (!db.IsOpen()) {
        ArchiveWriteResult failure = Failure(db, stop);
        // A file that could not be made: the library's errno is that of its last try (read-only, which finds
        // no file), so ask the directory itself.
        const std::string::size_type slash = path.rfind('/');
        const std::string dir = slash == std::string::npos ? "." : path.substr(0, std::max<std::size_t>(slash, 1));
        if (failure.fault == ArchiveFault::kOther && ::access(dir.c_str(), W_OK) != 0) {
            failure.fault = ClassifyArchiveError(db.GetLastResult(), errno);
        }
        return failure;
    }
    // The write lock from the start: the duplicate checks then see every row another process could add.
    db.Query("BEGIN IMMEDIATE");
    if (db.GetLastResult() != SQLITE_OK) {
        return Failure(db, stop);
    }
    const auto fail = [&] {
        ArchiveWriteResult failure = Failure(db, stop);
        // Not to be interrupted itself; closing the connection would roll back all the same.
        db.SetStopFlag(nullptr);
        db.Query("ROLLBACK");
        return failure;
    };
    if (!TableExists(db)) {
        if (db.GetLastResult() != SQLITE_OK) {
            return fail();
        }
        db.Query(kCreateEventTableSql);
        if (db.GetLastResult() != SQLITE_OK) {
            return fail();
        }
    }
    for (const char* sql : kEventTableIndexSql) {
        db.Query(sql);
        if (db.GetLastResult() != SQLITE_OK) {
            return fail();
        }
    }
    for (const char* sql : kQuakeIdTableSql) {
        db.Query(sql);
        if (db.GetLastResult() != SQLITE_OK) {
            return fail();
        }
    }

    ArchiveWriteResult result;
    // Each source's newest mark in this call: written with the reports, so it never runs ahead of them.
    std::vector<std::pair<std::string, std::int64_t>> marks;
    for (const EventRecord& r : records) {
        if (stop != nullptr && stop->load()) {
            return fail();
        }
        if (!r.markSource.empty()) {
            const auto mark =
                std::find_if(marks.begin(), marks.end(), [&](const auto& m) { return m.first == r.markSource; });
            if (mark == marks.end()) {
                marks.emplace_back(r.markSource, r.markUtcMs);
            } else {
                mark->second = std::max(mark->second, r.markUtcMs);
            }
        }
        if (r.markOnly) {
            continue;
        }
        // Inside the transaction every lookup also sees this call's own rows.
        StoreOutcome outcome = StoreOutcome::kKnown;
        if (!StoreQuakeReport(db, r, &outcome)) {
            return fail();
        }
        result.stored += outcome == StoreOutcome::kInserted ? 1 : 0;
        result.revised += outcome == StoreOutcome::kRevised ? 1 : 0;
    }
    if (!AdvanceCompleteMarks(db, marks)) {
        return fail();
    }
    db.Query("COMMIT");
    if (db.GetLastResult() != SQLITE_OK) {
        return fail();
    }
    return result;
}

namespace {

// The columns of each table the program owns; a table of one of these names with other columns is not its own.
struct OwnTable {
    const char* name;
    std::vector<std::string> columns;
};
const std::vector<OwnTable>& OwnTables() {
    static const std::vector<OwnTable> tables = {
        {"trze", {"ID_trz", "ident", "mag", "region", "data1", "data2", "wsp1", "wsp2"}},
        {"trze_id", {"id", "row", "source", "origin_ms", "creator", "depth"}},
        {"trze_mark", {"source", "complete_ms"}},
        {"trze_updated", {"row", "updated_ms"}},
        {"trze_felt", {"row", "reports", "cdi", "mmi", "alert", "tsunami"}},
        {"trze_report", {"id", "lat", "lon", "magnitude", "mag", "region", "data1", "data2", "wsp1", "wsp2"}},
    };
    return tables;
}

// Why the file is not an archive of the program's, empty when it is one (or empty). Tables of the user's own
// beside the program's are left alone.
std::string ForeignTables(CQuakeDatabase& db) {
    db.Query("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'");
    std::vector<std::string> names;
    for (int i = 0; i < db.GetRowCount(); ++i, db.MoveNext()) {
        names.push_back(db.GetValue("name"));
    }
    bool ours = false;
    for (const OwnTable& own : OwnTables()) {
        if (std::find(names.begin(), names.end(), own.name) == names.end()) {
            continue;
        }
        db.Query(std::string("PRAGMA table_info(") + own.name + ")");
        std::vector<std::string> columns;
        for (int i = 0; i < db.GetRowCount(); ++i, db.MoveNext()) {
            columns.push_back(db.GetValue("name"));
        }
        if (columns != own.columns) {
            return std::string("table ") + own.name + " is not the program's";
        }
        ours = ours || std::string(own.name) == "trze";
    }
    return names.empty() || ours ? std::string() : "the tables are another program's";
}

}  // namespace

ArchiveWriteResult PrepareEventTable(const std::string& path, const std::atomic<bool>* stop, int busyMs) {
    CQuakeDatabase db(path);
    db.SetStopFlag(stop);
    if (busyMs >= 0) {
        db.SetBusyTimeout(busyMs);
    }
    if (!db.IsOpen()) {
        return Failure(db, stop);
    }
    // The write lock first: the checks then see what the changes will be made to, and nothing is half made.
    db.Query("BEGIN IMMEDIATE");
    if (db.GetLastResult() != SQLITE_OK) {
        return Failure(db, stop);
    }
    const auto fail = [&] {
        ArchiveWriteResult failure = Failure(db, stop);
        db.SetStopFlag(nullptr);
        db.Query("ROLLBACK");
        return failure;
    };
    const auto damaged = [&](const std::string& why) {
        db.SetStopFlag(nullptr);
        db.Query("ROLLBACK");
        return ArchiveWriteResult{ArchiveFault::kDamaged, why, 0, 0, {}};
    };
    const std::string foreign = ForeignTables(db);
    if (db.GetLastResult() != SQLITE_OK) {
        return fail();
    }
    if (!foreign.empty()) {
        return damaged(foreign);
    }
    // A damaged page shows only where it is read: the whole file is looked at once at start.
    db.Query("PRAGMA quick_check(1)");
    if (db.GetLastResult() != SQLITE_OK) {
        return fail();
    }
    if (db.GetRowCount() > 0 && db.GetValue("quick_check") != "ok") {
        return damaged(db.GetValue("quick_check"));
    }
    if (!TableExists(db)) {
        if (db.GetLastResult() != SQLITE_OK) {
            return fail();
        }
        db.Query(kCreateEventTableSql);
        if (db.GetLastResult() != SQLITE_OK) {
            return fail();
        }
    }
    std::vector<const char*> statements(std::begin(kEventTableIndexSql), std::end(kEventTableIndexSql));
    statements.insert(statements.end(), std::begin(kQuakeIdTableSql), std::end(kQuakeIdTableSql));
    for (const char* sql : statements) {
        db.Query(sql);
        if (db.GetLastResult() != SQLITE_OK) {
            return fail();
        }
    }
    db.Query("COMMIT");
    if (db.GetLastResult() != SQLITE_OK) {
        return fail();
    }
    return {};
}

std::string SetAsideArchive(const std::string& path) {
    for (int n = 1; n < 1000; ++n) {
        const std::string kept = path + ".damaged-" + std::to_string(n);
        struct stat info {};
        if (::lstat(kept.c_str(), &info) == 0 || ::lstat((kept + ".journal").c_str(), &info) == 0) {
            continue;
        }
        if (::rename(path.c_str(), kept.c_str()) != 0) {
            return {};
        }
        // Left under its own name, a journal would be taken for the new archive's.
        const std::string journal = path + "-journal";
        if (::lstat(journal.c_str(), &info) == 0) {
            ::rename(journal.c_str(), (kept + ".journal").c_str());
        }
        const std::string::size_type slash = kept.rfind('/');
        return slash == std::string::npos ? kept : kept.substr(slash + 1);
    }
    return {};
}

ArchiveWriteResult PrepareOrReplaceEventTable(const std::string& path, const std::atomic<bool>* stop, int busyMs) {
    ArchiveWriteResult prepared = PrepareEventTable(path, stop, busyMs);
    if (prepared.fault != ArchiveFault::kDamaged) {
        return prepared;
    }
    const std::string kept = SetAsideArchive(path);
    if (kept.empty()) {
        return prepared;
    }
    const std::string why = prepared.detail;
    prepared = PrepareEventTable(path, stop, busyMs);
    prepared.setAside = kept;
    prepared.detail = why;
    return prepared;
}

void CreateEventTable() {
    CreateEventTable(DataFilePath(kDatabaseFileName));
}

void CreateEventTable(const std::string& path) {
    CQuakeDatabase db(path);
    // Fails quietly when the table is there already.
    db.Query(kCreateEventTableSql);
    for (const char* sql : kEventTableIndexSql) {
        db.Query(sql);
    }
    // Archives written before quakes kept their ids get the side table; their rows stay as they are.
    for (const char* sql : kQuakeIdTableSql) {
        db.Query(sql);
    }
}

void StoreEventIfNew(std::string mag, std::string region, std::string data1, std::string data2, std::string wsp1,
                     std::string wsp2) {
    StoreEventIfNewAt(DataFilePath(kDatabaseFileName), std::move(mag), std::move(region), std::move(data1),
                      std::move(data2), std::move(wsp1), std::move(wsp2));
}

void StoreEventIfNewAt(const std::string& path, std::string mag, std::string region, std::string data1,
                       std::string data2, std::string wsp1, std::string wsp2) {
    StoreEventsIfNew(path, {EventRecord{std::move(mag), std::move(region), std::move(data1), std::move(data2),
                                        std::move(wsp1), std::move(wsp2)}});
}

}  // namespace dravik
