#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/archive_status.h"

// Table trze: every earthquake the program has seen, one row per quake (store/quake_ids.h says which is which).
namespace dravik {

// The table's schema text, exactly as every existing file holds it.
inline constexpr char kCreateEventTableSql[] =
    "CREATE TABLE trze (ID_trz INTEGER,ident  varchar(31),mag    varchar(4),region varchar(40),"
    "data1 varchar(15),data2 varchar(15),wsp1 varchar(8),wsp2 varchar(8))";

// Indexes for the duplicate check (ident), the history range query (data1, then data2 for its order) and the
// history window's region list (region: a grouped walk instead of a sort of the whole table); made at start-up
// on new and existing files alike. Plain SQLite 3 indexes, so every SQLite 3 tool still reads the file.
inline constexpr const char* kEventTableIndexSql[] = {
    "CREATE INDEX IF NOT EXISTS trze_ident ON trze (ident)",
    "CREATE INDEX IF NOT EXISTS trze_data1 ON trze (data1,data2)",
    "CREATE INDEX IF NOT EXISTS trze_region ON trze (region)",
};

// The identity key: mag, wsp1 and wsp2 joined with no separator, every blank replaced by "#".
std::string EventIdent(const std::string& mag, const std::string& wsp1, const std::string& wsp2);

// "select * from trze where ident='...'" with `ident` as one safe literal.
std::string DuplicateCheckSql(const std::string& ident);

// The six texts of one event as the table keeps them, and which earthquake it is.
// What an agency said people felt: reports -1 and intensities below 0 when not said, `alert` empty for none.
struct StoredFelt {
    int reports = -1;
    double cdi = -1.0;
    double mmi = -1.0;
    std::string alert{};
    bool tsunami = false;
    bool Any() const { return reports >= 0 || cdi >= 0.0 || mmi >= 0.0 || !alert.empty() || tsunami; }
};

struct EventRecord {
    EventRecord() = default;
    EventRecord(std::string m, std::string r, std::string d1, std::string d2, std::string w1, std::string w2)
        : mag(std::move(m)),
          region(std::move(r)),
          data1(std::move(d1)),
          data2(std::move(d2)),
          wsp1(std::move(w1)),
          wsp2(std::move(w2)) {}

    std::string mag, region, data1, data2, wsp1, wsp2;
    // The report's own id ("emsc:20240101_0000328", or a classic page's number); empty for a report without
    // one, which is then known by its texts, date and time alone.
    std::string id;
    // Further ids the source gives the same quake (USGS's `ids`).
    std::vector<std::string> otherIds;
    // The id of the quake this report was taken for (another agency's report of a listed quake); empty: its own.
    std::string quakeId;
    // The service it came from ("emsc", "usgs"; empty for the classic page) and its origin, UTC milliseconds.
    std::string source;
    std::optional<std::int64_t> originUtcMs;
    std::string depth;
    // When its source last changed the report, UTC ms; unset: not said. An older report than the row's never
    // replaces its values.
    std::optional<std::int64_t> updatedUtcMs;
    // Committed with this record: every report of `markSource` up to `markUtcMs` is in the archive (the
    // source's completeness mark, which only moves forward). Empty: none. `markOnly`: a record that only
    // moves the mark.
    std::string markSource;
    std::int64_t markUtcMs = 0;
    bool markOnly = false;
    // The report was taken for another source's row before and is a quake of its own: its ids leave that row.
    bool detach = false;
    // Where the report puts the quake and how strong, where it says in numbers: kept for another agency's
    // report taken for a row (trze_report), and what finds the row of an archived quake by time and place.
    std::optional<double> latitude, longitude, magnitude;
    // What its agency says people felt (see trze_felt); kept with the row whichever agency's report says it.
    StoredFelt felt{};
};

// What an SQLite result code (extended) and the system error behind it mean to the user.
ArchiveFault ClassifyArchiveError(int sqliteResult, int systemError);

// Stores every record in one transaction: a report of a quake the table does not hold yet (nor earlier in
// `records`) becomes a row, a later report of the row's own source replaces its values, another source's
// report of it only adds its ids (see StoreQuakeReport). One open, one write lock held from the first check to
// the commit (so another process cannot store the same quake in between), one sync. The table and its indexes are made
// first when missing (the file deleted while the program runs). Either every record is in the table afterwards or, on
// any failure, none of this call's rows is: the caller keeps them and tries again later. Once *stop is set (null:
// never) a wait for a lock gives up and a running statement stops; the result is then kInterrupted.
ArchiveWriteResult StoreEventsIfNew(const std::string& path, const std::vector<EventRecord>& records,
                                    const std::atomic<bool>* stop = nullptr);

// CreateEventTable on a connection that gives up once *stop is set, with the outcome: what a start does off the
// UI thread, so that a locked archive is told to the user instead of holding the window.
// `busyMs`: how long another connection's lock is waited for (-1: the usual 5 s). All in one transaction. A file
// that is not a database, fails its integrity check, or holds tables of the program's names with other columns
// (or tables of another program and none of ours) is damaged: kDamaged, and nothing in it is changed.
ArchiveWriteResult PrepareEventTable(const std::string& path, const std::atomic<bool>* stop, int busyMs = -1);

// Moves a damaged archive out of the way, bytes unchanged: renamed to "<name>.damaged-<n>" (the first n free), its
// journal beside it as "<name>.damaged-<n>.journal" (so no SQLite reader rolls it into the kept file). Returns the
// kept file's name without its directory; empty when it could not be moved.
std::string SetAsideArchive(const std::string& path);

// The same preparation, and a damaged archive set aside and a new one started (the result names the kept file).
ArchiveWriteResult PrepareOrReplaceEventTable(const std::string& path, const std::atomic<bool>* stop, int busyMs = -1);

// Creates table trze when it is missing, then its indexes. Silent on failure.
void CreateEventTable();
void CreateEventTable(const std::string& path);

// Stores the event unless a row with its identity key is there already. Silent on failure.
void StoreEventIfNew(std::string mag, std::string region, std::string data1, std::string data2, std::string wsp1,
                     std::string wsp2);
// The same on the database file at `path`.
void StoreEventIfNewAt(const std::string& path, std::string mag, std::string region, std::string data1,
                       std::string data2, std::string wsp1, std::string wsp2);

}  // namespace dravik
