#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "store/event_table.h"

// Which earthquake each row of trze is. Every id a report of the quake carried lives in a side table, trze_id,
// pointing at the row by its rowid, so trze itself keeps exactly the columns every older reader knows. (SQLite
// 3.40 keeps the rowids of a table like trze across VACUUM; the program itself never vacuums.) Rows written before ids
// were kept have none; a report finds such a row by its texts, date and time and then gives it its ids.
namespace dravik {

class CQuakeDatabase;

// The side table and its indexes: by id (the primary key), by row, by source and origin (the newest report of
// a source, for catch-up), and by origin of each row's first report (the recent quakes loaded at start).
inline constexpr const char* kQuakeIdTableSql[] = {
    "CREATE TABLE IF NOT EXISTS trze_id (id TEXT PRIMARY KEY, row INTEGER NOT NULL, source TEXT NOT NULL, "
    "origin_ms INTEGER, creator INTEGER NOT NULL, depth TEXT)",
    "CREATE INDEX IF NOT EXISTS trze_id_row ON trze_id (row)",
    "CREATE INDEX IF NOT EXISTS trze_id_source ON trze_id (source,origin_ms)",
    "CREATE INDEX IF NOT EXISTS trze_id_creator ON trze_id (creator,origin_ms)",
    // How far each source's reports are all in the archive (see EventRecord::markSource).
    "CREATE TABLE IF NOT EXISTS trze_mark (source TEXT PRIMARY KEY, complete_ms INTEGER NOT NULL)",
    // When the row's own source last changed the values it holds, where the source says.
    "CREATE TABLE IF NOT EXISTS trze_updated (row INTEGER PRIMARY KEY, updated_ms INTEGER NOT NULL)",
    // Another agency's report taken for a row, by its id, as it came (numbers and texts): after a restart a better
    // report of that agency can still take its place, and the one it replaces becomes a row of its own.
    "CREATE TABLE IF NOT EXISTS trze_report (id TEXT PRIMARY KEY, lat REAL NOT NULL, lon REAL NOT NULL, "
    "magnitude REAL NOT NULL, mag TEXT, region TEXT, data1 TEXT, data2 TEXT, wsp1 TEXT, wsp2 TEXT)",
    // What an agency said people felt of the row's quake (its latest report that says so): felt reports, the
    // largest reported and ShakeMap intensities (NULL: not said), PAGER's level, a tsunami message.
    "CREATE TABLE IF NOT EXISTS trze_felt (row INTEGER PRIMARY KEY, reports INTEGER, cdi REAL, mmi REAL, "
    "alert TEXT NOT NULL, tsunami INTEGER NOT NULL)",
};

// The statements that find a report's row, each walking an index whatever the archive holds: the row one of
// `ids` names (the first of them that names one: a report's own id before its others), with the source of
// its own report and when that last changed it; a row with the key, date and time (withoutIds: one that has
// no ids yet).
std::string QuakeByIdsSql(const std::vector<std::string>& ids);
std::string RowByTextsSql(const std::string& ident, const std::string& data1, const std::string& data2,
                          bool withoutIds);

// What storing one report did.
enum class StoreOutcome { kInserted, kRevised, kKnown };

// Stores one report on a connection inside a write transaction (StoreEventsIfNew):
// - one of its ids (or the quake it was taken for) is known: a report of the row's own source replaces the
//   row's values when they differ (kRevised); any other report only adds its ids (kKnown);
// - no id known: a row without ids holding the same texts, date and time takes the report's ids (kKnown);
// - no such row: another agency's row of the same quake (within a minute, 100 km and 1.0 magnitude, the merge
//   rule's limits; the nearest, never one that holds a report of the report's own agency) takes its ids
//   (kKnown), so a quake older than what a run holds in memory is not stored twice;
// - else a new row with the report's ids (kInserted).
// A report without an id is known by its texts, date and time alone. False when a statement failed.
bool StoreQuakeReport(CQuakeDatabase& db, const EventRecord& record, StoreOutcome* outcome);

// A quake as the archive holds it: the row's texts, the ids of its reports (the row's own report first), its
// source, origin and update time.
struct ArchivedQuake {
    EventRecord record;
    std::vector<std::string> ids;
    // Other agencies' reports taken for it as the archive keeps them: id, source, origin, depth, numbers, texts.
    std::vector<EventRecord> merged;
};

// The quakes whose first report's origin is at or after `sinceUtcMs`, newest first, at most `maxQuakes`.
// Empty when the file cannot be read; then `*readable` (when given) is false for a file that is there but
// could not be read now (locked, a stop), which a caller tries again, and true for one that is missing.
std::vector<ArchivedQuake> LoadArchivedQuakes(const std::string& path, std::int64_t sinceUtcMs, std::size_t maxQuakes,
                                              const std::atomic<bool>* stop = nullptr, bool* readable = nullptr);

// The newest origin among the reports of `source` the archive holds (as a row or as a merged id); nothing when
// it holds none or cannot be read.
std::optional<std::int64_t> NewestOriginMs(const std::string& path, const std::string& source);

// The source's completeness mark: every report of it up to that time is in the archive. Nothing when none was
// committed yet; `*readable` false when the file could not be read (a lock, a stop), so the caller can tell
// the two apart.
std::optional<std::int64_t> CompleteMarkMs(const std::string& path, const std::string& source,
                                           const std::atomic<bool>* stop, bool* readable);

// Moves each source's mark forward to the newest of `marks` for it, inside the caller's transaction.
bool AdvanceCompleteMarks(CQuakeDatabase& db, const std::vector<std::pair<std::string, std::int64_t>>& marks);

}  // namespace dravik
