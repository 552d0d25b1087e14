#include "store/quake_ids.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <map>
#include <utility>

#include "store/quake_database.h"

namespace dravik {
namespace {

bool Succeeded(const CQuakeDatabase& db) {
    return db.GetLastResult() == SQLITE_OK;
}

std::string OriginLiteral(const std::optional<std::int64_t>& origin) {
    return origin ? std::to_string(*origin) : "NULL";
}

std::optional<std::int64_t> ReadInteger(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    return *end == '\0' ? std::optional<std::int64_t>(value) : std::nullopt;
}

// The record's own ids, its own first, each once.
std::vector<std::string> IdsOf(const EventRecord& r) {
    std::vector<std::string> ids;
    if (!r.id.empty()) {
        ids.push_back(r.id);
    }
    for (const std::string& id : r.otherIds) {
        if (!id.empty() && std::find(ids.begin(), ids.end(), id) == ids.end()) {
            ids.push_back(id);
        }
    }
    return ids;
}

std::string InList(const std::vector<std::string>& values) {
    std::string list;
    for (const std::string& v : values) {
        list += (list.empty() ? "" : ",") + SqlQuote(v);
    }
    return "(" + list + ")";
}

// Points the ids at `row`; the first is the row's own report when `creator`. An id already pointing elsewhere
// keeps its row unless `replace` (its row is gone).
bool AddIds(CQuakeDatabase& db, const std::vector<std::string>& ids, const std::string& row, const EventRecord& r,
            bool creator, bool replace) {
    for (std::size_t i = 0; i < ids.size(); ++i) {
        db.Query(std::string(replace ? "INSERT OR REPLACE" : "INSERT OR IGNORE") +
                 " INTO trze_id (id,row,source,origin_ms,creator,depth) VALUES (" + SqlQuote(ids[i]) + "," + row + "," +
                 SqlQuote(r.source) + "," + OriginLiteral(r.originUtcMs) + "," + (creator && i == 0 ? "1" : "0") + "," +
                 SqlQuote(r.depth) + ")");
        if (!Succeeded(db)) {
            return false;
        }
    }
    return true;
}

bool SameTexts(const CQuakeDatabase& db, const EventRecord& r) {
    return db.GetValue("mag") == r.mag && db.GetValue("region") == r.region && db.GetValue("data1") == r.data1 &&
           db.GetValue("data2") == r.data2 && db.GetValue("wsp1") == r.wsp1 && db.GetValue("wsp2") == r.wsp2;
}

// Keeps when the row's own source last changed its values, where the report says.
bool NoteUpdated(CQuakeDatabase& db, const std::string& row, const EventRecord& r) {
    if (!r.updatedUtcMs) {
        return true;
    }
    db.Query("INSERT OR REPLACE INTO trze_updated (row,updated_ms) VALUES (" + row + "," +
             std::to_string(*r.updatedUtcMs) + ")");
    return Succeeded(db);
}

std::string RealLiteral(double value) {
    if (value < 0.0) {
        return "NULL";
    }
    // Hundredths by hand: printf's decimal point follows the locale.
    const long hundredths = std::lround(std::min(value, 100.0) * 100.0);
    const long rest = hundredths % 100;
    return std::to_string(hundredths / 100) + (rest < 10 ? ".0" : ".") + std::to_string(rest);
}

// Keeps what the report says people felt; a report that says nothing leaves what an earlier one said.
bool NoteFelt(CQuakeDatabase& db, const std::string& row, const EventRecord& r) {
    if (!r.felt.Any()) {
        return true;
    }
    const StoredFelt& f = r.felt;
    db.Query("INSERT OR REPLACE INTO trze_felt (row,reports,cdi,mmi,alert,tsunami) VALUES (" + row + "," +
             (f.reports >= 0 ? std::to_string(f.reports) : std::string("NULL")) + "," + RealLiteral(f.cdi) + "," +
             RealLiteral(f.mmi) + "," + SqlQuote(f.alert) + "," + (f.tsunami ? "1" : "0") + ")");
    return Succeeded(db);
}

std::string NumberLiteral(double value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : std::string("NULL");
}

// A number as a text column holds it (blanks around it), in any locale; nothing when it is none.
std::optional<double> ReadReal(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t last = text.find_last_not_of(' ');
    const char* from = text.data() + first + (text[first] == '+' ? 1 : 0);
    double value = 0;
    const auto [end, error] = std::from_chars(from, text.data() + last + 1, value);
    return error == std::errc() && end == text.data() + last + 1 && std::isfinite(value) ? std::optional(value)
                                                                                         : std::nullopt;
}

bool HasPlace(const EventRecord& r) {
    return r.originUtcMs && r.latitude && r.longitude && r.magnitude && std::isfinite(*r.latitude) &&
           std::isfinite(*r.longitude) && std::isfinite(*r.magnitude);
}

// Keeps another agency's report taken for a row, as it came.
bool NotePlace(CQuakeDatabase& db, const EventRecord& r) {
    if (r.id.empty() || !HasPlace(r)) {
        return true;
    }
    db.Query("INSERT OR REPLACE INTO trze_report (id,lat,lon,magnitude,mag,region,data1,data2,wsp1,wsp2) VALUES (" +
             SqlQuote(r.id) + "," + NumberLiteral(*r.latitude) + "," + NumberLiteral(*r.longitude) + "," +
             NumberLiteral(*r.magnitude) + "," + SqlQuote(r.mag) + "," + SqlQuote(r.region) + "," + SqlQuote(r.data1) +
             "," + SqlQuote(r.data2) + "," + SqlQuote(r.wsp1) + "," + SqlQuote(r.wsp2) + ")");
    return Succeeded(db);
}

// The merge rule's limits (catalogue/event_merge), for archived quakes a run does not hold in memory.
constexpr std::int64_t kMergeOriginMs = 60 * 1000;
constexpr double kMergeKm = 100.0;
constexpr double kMergeMagnitude = 1.0;
constexpr double kSlack = 1e-9;

double GreatCircleKm(double lat1, double lon1, double lat2, double lon2) {
    constexpr double kRadians = 3.14159265358979323846 / 180.0;
    const double dLat = (lat2 - lat1) * kRadians, dLon = (lon2 - lon1) * kRadians;
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(lat1 * kRadians) * std::cos(lat2 * kRadians) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 6371.0 * 2 * std::atan2(std::sqrt(a), std::sqrt(std::max(0.0, 1 - a)));
}

// Rows looked at on each side of a report's origin: far more than real catalogues put in a minute, few enough
// that a flood of quakes at one second costs each report a bounded walk of the origin index, not all of them.
constexpr int kArchivedCandidates = 48;

// Another agency's row of the report's quake, by the origin index: the nearest within the limits whose row holds
// no report of the report's agency (that agency's distinct ids are distinct quakes), among the rows nearest in
// origin on either side. Empty `*row`: none.
bool ArchivedMatch(CQuakeDatabase& db, const EventRecord& r, std::string* row) {
    row->clear();
    const std::int64_t t = *r.originUtcMs;
    const std::string side = "SELECT row,origin_ms,source FROM trze_id WHERE creator=1 AND origin_ms BETWEEN ";
    const std::string limit = " LIMIT " + std::to_string(kArchivedCandidates);
    db.Query(
        "SELECT c.row AS row,c.origin_ms AS origin,t.mag AS mag,t.wsp1 AS lat,t.wsp2 AS lon FROM (SELECT * FROM (" +
        side + std::to_string(t) + " AND " + std::to_string(t + kMergeOriginMs) + " ORDER BY origin_ms" + limit +
        ") UNION ALL SELECT * FROM (" + side + std::to_string(t - kMergeOriginMs) + " AND " + std::to_string(t - 1) +
        " ORDER BY origin_ms DESC" + limit + ")) c JOIN trze t ON t.rowid=c.row WHERE c.source<>" + SqlQuote(r.source) +
        " AND NOT EXISTS (SELECT 1 FROM trze_id o WHERE o.row=c.row AND o.source=" + SqlQuote(r.source) + ")");
    if (!Succeeded(db)) {
        return false;
    }
    double best = 0;
    std::pair<std::int64_t, long long> bestOrder{};
    for (int i = 0; i < db.GetRowCount(); ++i, db.MoveNext()) {
        const std::optional<std::int64_t> origin = ReadInteger(db.GetValue("origin"));
        const std::optional<double> mag = ReadReal(db.GetValue("mag")), lat = ReadReal(db.GetValue("lat")),
                                    lon = ReadReal(db.GetValue("lon"));
        if (!origin || !mag || !lat || !lon) {
            continue;
        }
        const double km = GreatCircleKm(*r.latitude, *r.longitude, *lat, *lon);
        const double dm = std::fabs(*r.magnitude - *mag);
        if (km > kMergeKm + kSlack || dm > kMergeMagnitude + kSlack) {
            continue;
        }
        const double distance =
            static_cast<double>(std::llabs(*origin - t)) / kMergeOriginMs + km / kMergeKm + dm / kMergeMagnitude;
        // Ties go to the earlier origin, then the earlier row, as a walk of the origin index meets them.
        const std::pair<std::int64_t, long long> order{*origin, std::atoll(db.GetValue("row").c_str())};
        if (row->empty() || distance < best || (distance == best && order < bestOrder)) {
            *row = db.GetValue("row");
            best = distance;
            bestOrder = order;
        }
    }
    return true;
}

bool ReviseRow(CQuakeDatabase& db, const std::string& row, const EventRecord& r, const std::string& ident) {
    db.Query("UPDATE trze SET mag=" + SqlQuote(r.mag) + ",region=" + SqlQuote(r.region) +
             ",data1=" + SqlQuote(r.data1) + ",data2=" + SqlQuote(r.data2) + ",wsp1=" + SqlQuote(r.wsp1) +
             ",wsp2=" + SqlQuote(r.wsp2) + ",ident=" + SqlQuote(ident) + " WHERE rowid=" + row);
    if (!Succeeded(db)) {
        return false;
    }
    db.Query("UPDATE trze_id SET origin_ms=" + OriginLiteral(r.originUtcMs) + ",depth=" + SqlQuote(r.depth) +
             " WHERE row=" + row + " AND +creator=1");
    return Succeeded(db) && NoteUpdated(db, row, r);
}

bool InsertRow(CQuakeDatabase& db, const EventRecord& r, const std::string& ident, std::string* row) {
    db.ClearFields();
    db.AddField("mag", r.mag);
    db.AddField("region", r.region);
    db.AddField("data1", r.data1);
    db.AddField("data2", r.data2);
    db.AddField("wsp1", r.wsp1);
    db.AddField("wsp2", r.wsp2);
    db.AddField("ident", ident);
    db.WriteRecord("trze");
    if (!Succeeded(db)) {
        return false;
    }
    db.Query("SELECT last_insert_rowid() AS row");
    *row = db.GetValue("row");
    return Succeeded(db);
}

}  // namespace

std::string QuakeByIdsSql(const std::vector<std::string>& ids) {
    // "+" keeps SQLite on the row's index: every row has one creator, the creator index holds them all. The ids
    // are tried in their order (USGS's `ids` may name other quakes of the same agency as well).
    std::string order;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        order += " WHEN " + SqlQuote(ids[i]) + " THEN " + std::to_string(i);
    }
    return "SELECT i.row AS row,c.source AS source,u.updated_ms AS updated,t.mag AS mag,t.region AS region,"
           "t.data1 AS data1,t.data2 AS data2,t.wsp1 AS wsp1,t.wsp2 AS wsp2 FROM trze_id i JOIN trze t ON "
           "t.rowid=i.row LEFT JOIN trze_id c ON c.row=i.row AND +c.creator=1 LEFT JOIN trze_updated u ON "
           "u.row=i.row WHERE i.id IN " +
           InList(ids) + (order.empty() ? "" : " ORDER BY CASE i.id" + order + " END") + " LIMIT 1";
}

std::string RowByTextsSql(const std::string& ident, const std::string& data1, const std::string& data2,
                          bool withoutIds) {
    // By the key's index: "+" keeps SQLite off the date index, where a busy minute holds many rows.
    return "SELECT rowid AS row FROM trze WHERE ident=" + SqlQuote(ident) + " AND +data1=" + SqlQuote(data1) +
           " AND +data2=" + SqlQuote(data2) +
           (withoutIds ? " AND NOT EXISTS (SELECT 1 FROM trze_id WHERE row=trze.rowid)" : "") + " LIMIT 1";
}

bool StoreQuakeReport(CQuakeDatabase& db, const EventRecord& r, StoreOutcome* outcome) {
    const std::string ident = EventIdent(r.mag, r.wsp1, r.wsp2);
    const std::vector<std::string> ids = IdsOf(r);
    // Its own id first, then the quake it was taken for, then the others it lists.
    std::vector<std::string> lookup = ids;
    if (!r.quakeId.empty()) {
        lookup.insert(lookup.begin() + (ids.empty() ? 0 : 1), r.quakeId);
    }
    *outcome = StoreOutcome::kKnown;
    if (r.detach && !ids.empty()) {
        db.Query("DELETE FROM trze_id WHERE creator=0 AND id IN " + InList(ids));
        if (!Succeeded(db)) {
            return false;
        }
        db.Query("DELETE FROM trze_report WHERE id IN " + InList(ids));
        if (!Succeeded(db)) {
            return false;
        }
    }
    if (!lookup.empty()) {
        // The row any of them names, with its own report's source; ids left behind by a deleted row name nothing.
        db.Query(QuakeByIdsSql(lookup));
        if (!Succeeded(db)) {
            return false;
        }
        if (db.GetRowCount() > 0) {
            const std::string row = db.GetValue("row");
            // Older news than the row's (a lagging copy of the service) changes nothing, nor does a copy that does
            // not say when it changed over values that did.
            const std::optional<std::int64_t> rowUpdated = ReadInteger(db.GetValue("updated"));
            const bool stale = rowUpdated && (!r.updatedUtcMs || *r.updatedUtcMs < *rowUpdated);
            const bool own = db.GetValue("source") == r.source && r.quakeId.empty();
            if (own && !ids.empty() && !stale && !SameTexts(db, r)) {
                if (!ReviseRow(db, row, r, ident)) {
                    return false;
                }
                *outcome = StoreOutcome::kRevised;
            }
            return (stale || NoteFelt(db, row, r)) && AddIds(db, ids, row, r, false, false) &&
                   (own || NotePlace(db, r));
        }
    }
    // A row without ids (written before ids were kept, or converted from an old file) with the same texts, date
    // and time is this quake; a report without an id takes any such row.
    db.Query(RowByTextsSql(ident, r.data1, r.data2, !ids.empty()));
    if (!Succeeded(db)) {
        return false;
    }
    if (db.GetRowCount() > 0) {
        const std::string row = db.GetValue("row");
        return NoteFelt(db, row, r) && AddIds(db, ids, row, r, true, false);
    }
    // Another agency's row of the quake, archived before what this run holds in memory. A report the round made
    // a quake of its own (detached) stays one.
    if (!r.detach && r.quakeId.empty() && !ids.empty() && !r.source.empty() && HasPlace(r)) {
        std::string match;
        if (!ArchivedMatch(db, r, &match)) {
            return false;
        }
        if (!match.empty()) {
            return NoteFelt(db, match, r) && AddIds(db, ids, match, r, false, false) && NotePlace(db, r);
        }
    }
    std::string row;
    if (!InsertRow(db, r, ident, &row)) {
        return false;
    }
    *outcome = StoreOutcome::kInserted;
    // A rowid SQLite hands out again (the last row deleted) must not inherit an update time.
    db.Query("DELETE FROM trze_updated WHERE row=" + row);
    if (!Succeeded(db)) {
        return false;
    }
    db.Query("DELETE FROM trze_felt WHERE row=" + row);
    return Succeeded(db) && NoteUpdated(db, row, r) && NoteFelt(db, row, r) && AddIds(db, ids, row, r, true, true);
}

std::vector<ArchivedQuake> LoadArchivedQuakes(const std::string& path, std::int64_t sinceUtcMs, std::size_t maxQuakes,
                                              const std::atomic<bool>* stop, bool* readable) {
    std::vector<ArchivedQuake> quakes;
    CQuakeDatabase db(path);
    db.SetStopFlag(stop);
    // Only a file that is there but could not be read now is worth another try.
    const auto noteReadable = [&] {
        if (readable != nullptr) {
            const int code = db.GetLastResult() & 0xFF;
            *readable = code != SQLITE_BUSY && code != SQLITE_LOCKED && code != SQLITE_INTERRUPT &&
                        !(stop != nullptr && stop->load());
        }
    };
    const std::string recent = "SELECT row FROM trze_id WHERE creator=1 AND origin_ms>=" + std::to_string(sinceUtcMs) +
                               " ORDER BY origin_ms DESC,row DESC LIMIT " + std::to_string(maxQuakes);
    db.Query(
        "SELECT c.row AS row,c.id AS id,c.source AS source,c.origin_ms AS origin,c.depth AS depth,t.mag AS mag,"
        "t.region AS region,t.data1 AS data1,t.data2 AS data2,t.wsp1 AS wsp1,t.wsp2 AS wsp2,u.updated_ms AS updated "
        "FROM trze_id c JOIN trze t ON t.rowid=c.row LEFT JOIN trze_updated u ON u.row=c.row WHERE c.creator=1 AND "
        "c.row IN (" +
        recent + ") ORDER BY c.origin_ms DESC,c.row DESC");
    noteReadable();
    std::map<std::string, std::size_t> byRow;
    for (int i = 0; i < db.GetRowCount(); ++i, db.MoveNext()) {
        ArchivedQuake q;
        q.record = EventRecord{db.GetValue("mag"),   db.GetValue("region"), db.GetValue("data1"),
                               db.GetValue("data2"), db.GetValue("wsp1"),   db.GetValue("wsp2")};
        q.record.id = db.GetValue("id");
        q.record.source = db.GetValue("source");
        q.record.originUtcMs = ReadInteger(db.GetValue("origin"));
        q.record.depth = db.GetValue("depth");
        q.record.updatedUtcMs = ReadInteger(db.GetValue("updated"));
        q.ids.push_back(q.record.id);
        byRow[db.GetValue("row")] = quakes.size();
        quakes.push_back(std::move(q));
    }
    if (quakes.empty()) {
        return quakes;
    }
    db.Query(
        "SELECT i.id AS id,i.row AS row,i.source AS source,i.origin_ms AS origin,i.depth AS depth,p.lat AS lat,"
        "p.lon AS lon,p.magnitude AS magnitude,p.mag AS mag,p.region AS region,p.data1 AS data1,p.data2 AS data2,"
        "p.wsp1 AS wsp1,p.wsp2 AS wsp2 FROM trze_id i LEFT JOIN trze_report p ON p.id=i.id WHERE +i.creator=0 "
        "AND i.row IN (" +
        recent + ")");
    noteReadable();
    if (readable != nullptr && !*readable) {
        return {};
    }
    for (int i = 0; i < db.GetRowCount(); ++i, db.MoveNext()) {
        const auto it = byRow.find(db.GetValue("row"));
        if (it == byRow.end()) {
            continue;
        }
        ArchivedQuake& quake = quakes[it->second];
        quake.ids.push_back(db.GetValue("id"));
        EventRecord merged{db.GetValue("mag"),   db.GetValue("region"), db.GetValue("data1"),
                           db.GetValue("data2"), db.GetValue("wsp1"),   db.GetValue("wsp2")};
        merged.id = db.GetValue("id");
        merged.depth = db.GetValue("depth");
        merged.source = db.GetValue("source");
        merged.originUtcMs = ReadInteger(db.GetValue("origin"));
        merged.latitude = ReadReal(db.GetValue("lat"));
        merged.longitude = ReadReal(db.GetValue("lon"));
        merged.magnitude = ReadReal(db.GetValue("magnitude"));
        if (HasPlace(merged)) {
            quake.merged.push_back(std::move(merged));
        }
    }
    return quakes;
}

std::optional<std::int64_t> NewestOriginMs(const std::string& path, const std::string& source) {
    CQuakeDatabase db(path);
    db.Query("SELECT max(origin_ms) AS newest FROM trze_id WHERE source=" + SqlQuote(source));
    return db.GetRowCount() > 0 ? ReadInteger(db.GetValue("newest")) : std::nullopt;
}

}  // namespace dravik

namespace dravik {

std::optional<std::int64_t> CompleteMarkMs(const std::string& path, const std::string& source,
                                           const std::atomic<bool>* stop, bool* readable) {
    CQuakeDatabase db(path);
    db.SetStopFlag(stop);
    db.Query("SELECT complete_ms FROM trze_mark WHERE source=" + SqlQuote(source));
    const int code = db.GetLastResult() & 0xFF;
    // No table yet is an archive without marks, not a failure.
    *readable = db.IsOpen() && code != SQLITE_BUSY && code != SQLITE_LOCKED && code != SQLITE_INTERRUPT &&
                !(stop != nullptr && stop->load());
    return db.GetRowCount() > 0 ? ReadInteger(db.GetValue("complete_ms")) : std::nullopt;
}

bool AdvanceCompleteMarks(CQuakeDatabase& db, const std::vector<std::pair<std::string, std::int64_t>>& marks) {
    for (const auto& [source, ms] : marks) {
        db.Query("INSERT INTO trze_mark (source,complete_ms) VALUES (" + SqlQuote(source) + "," + std::to_string(ms) +
                 ") ON CONFLICT(source) DO UPDATE SET complete_ms=max(complete_ms,excluded.complete_ms)");
        if (!Succeeded(db)) {
            return false;
        }
    }
    return true;
}

}  // namespace dravik
