#include "store/event_table.h"

#include <sqlite3.h>
#include <unistd.h>

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

ArchiveWriteResult PrepareEventTable(const std::string& path, const std::atomic<bool>* stop, int busyMs) {
    CQuakeDatabase db(path);
    db.SetStopFlag(stop);
    if (busyMs >= 0) {
        db.SetBusyTimeout(busyMs);
    }
    if (!db.IsOpen()) {
        return Failure(db, stop);
    }
    if (!TableExists(db)) {
        if (db.GetLastResult() != SQLITE_OK) {
            return Failure(db, stop);
        }
        db.Query(kCreateEventTableSql);
        if (db.GetLastResult() != SQLITE_OK) {
            return Failure(db, stop);
        }
    }
    std::vector<const char*> statements(std::begin(kEventTableIndexSql), std::end(kEventTableIndexSql));
    statements.insert(statements.end(), std::begin(kQuakeIdTableSql), std::end(kQuakeIdTableSql));
    for (const char* sql : statements) {
        db.Query(sql);
        if (db.GetLastResult() != SQLITE_OK) {
            return Failure(db, stop);
        }
    }
    return {};
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
