#include "history/history_loader.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "history/history_chart.h"
#include "history/history_query.h"
#include "history/region_group.h"
#include "history/shaking_filter.h"
#include "store/event_table.h"
#include "store/quake_database.h"

namespace dravik {

namespace {

// A stop makes any failure an interrupt, whatever the library called it (a lock wait given up reads as busy).
ArchiveFault FaultOf(const CQuakeDatabase& db, const std::atomic<bool>* stop) {
    if (stop != nullptr && stop->load()) {
        return ArchiveFault::kInterrupted;
    }
    if (db.GetLastResult() == 0) {
        return ArchiveFault::kNone;
    }
    const ArchiveFault fault = ClassifyArchiveError(db.GetLastResult(), db.GetLastSystemError());
    return fault == ArchiveFault::kNone ? ArchiveFault::kOther : fault;
}

bool Stopped(const std::atomic<bool>* stop) {
    return stop != nullptr && stop->load();
}

}  // namespace

RegionListing LoadRegions(const std::string& path, const std::atomic<bool>* stop) {
    RegionListing listing;
    CQuakeDatabase db(path);
    db.SetStopFlag(stop);
    // The region index gives each place text once; their groups are the combo's entries.
    db.Query(RegionListStatement());
    listing.fault = FaultOf(db, stop);
    const int count = db.GetRowCount();
    listing.regions.reserve(static_cast<std::size_t>(count));
    db.MoveFirst();
    for (int i = 0; i < count; ++i) {
        if (Stopped(stop)) {
            return {{}, ArchiveFault::kInterrupted};
        }
        listing.regions.push_back(db.GetValue("region"));
        db.MoveNext();
    }
    listing.regions = GroupRegions(listing.regions);
    return listing;
}

namespace {

// Reads the rows `sql` selects; `keep` sees each with the database on it and may leave it out.
template <typename Keep>
RowListing ReadRows(CQuakeDatabase& db, const std::string& sql, const std::atomic<bool>* stop, Keep keep) {
    RowListing listing;
    db.Query(sql);
    listing.fault = FaultOf(db, stop);
    const int count = db.GetRowCount();
    listing.rows.reserve(static_cast<std::size_t>(count));
    db.MoveFirst();
    for (int i = 0; i < count; ++i) {
        // A year of events takes a while to copy; a superseded read should not hold up the next.
        if (Stopped(stop)) {
            return {{}, ArchiveFault::kInterrupted};
        }
        HistoryRow row;
        row.mag = db.GetValue("mag");
        row.image = MagnitudeClass(row.mag);
        row.region = db.GetValue("region");
        row.data1 = db.GetValue("data1");
        row.data2 = db.GetValue("data2");
        row.wsp1 = db.GetValue("wsp1");
        row.wsp2 = db.GetValue("wsp2");
        if (keep(db, row)) {
            listing.rows.push_back(std::move(row));
        }
        db.MoveNext();
    }
    return listing;
}

// Gives the rows what `feltSql` says was felt of them, found by their texts (the table's rowid is not among the
// listing's columns). An archive without the table yet (older, not yet opened by the feed) has nothing to say.
void AddFeltReports(CQuakeDatabase& db, const std::string& feltSql, const std::atomic<bool>* stop,
                    RowListing* listing) {
    if (feltSql.empty() || listing->fault != ArchiveFault::kNone || listing->rows.empty()) {
        return;
    }
    const auto key = [](const std::string& mag, const std::string& region, const std::string& data1,
                        const std::string& data2, const std::string& wsp1, const std::string& wsp2) {
        return mag + '\x1f' + region + '\x1f' + data1 + '\x1f' + data2 + '\x1f' + wsp1 + '\x1f' + wsp2;
    };
    db.Query(feltSql);
    if (db.GetLastResult() != 0) {
        return;
    }
    std::unordered_map<std::string, FeltData> felt;
    const int count = db.GetRowCount();
    db.MoveFirst();
    for (int i = 0; i < count && !Stopped(stop); ++i, db.MoveNext()) {
        FeltData f;
        const std::string reports = db.GetValue("reports");
        f.reports = reports.empty() ? -1 : static_cast<int>(AtoiC(reports));
        const std::string cdi = db.GetValue("cdi");
        const std::string mmi = db.GetValue("mmi");
        f.cdi = cdi.empty() ? -1.0 : AtofC(cdi);
        f.mmi = mmi.empty() ? -1.0 : AtofC(mmi);
        f.alert = db.GetValue("alert");
        f.tsunami = db.GetValue("tsunami") == "1";
        felt[key(db.GetValue("mag"), db.GetValue("region"), db.GetValue("data1"), db.GetValue("data2"),
                 db.GetValue("wsp1"), db.GetValue("wsp2"))] = f;
    }
    if (felt.empty()) {
        return;
    }
    for (HistoryRow& row : listing->rows) {
        const auto it = felt.find(key(row.mag, row.region, row.data1, row.data2, row.wsp1, row.wsp2));
        if (it != felt.end()) {
            row.felt = it->second;
        }
    }
}

// Days since 1970 of a "YYYY-MM-DD" text; false for another text.
bool DayOf(const std::string& text, long long* day) {
    if (text.size() < 10 || text[4] != '-' || text[7] != '-') {
        return false;
    }
    const long year = AtoiC(std::string_view(text).substr(0, 4));
    const long month = AtoiC(std::string_view(text).substr(5, 2));
    const long dayOfMonth = AtoiC(std::string_view(text).substr(8, 2));
    if (month < 1 || month > 12 || dayOfMonth < 1 || dayOfMonth > 31) {
        return false;
    }
    *day = CivilMinutes(static_cast<int>(year), static_cast<int>(month), static_cast<int>(dayOfMonth), 0, 0) / 1440;
    return true;
}

// Whether the range spans a third or more of the archive's days: then walking the whole table beats looking up
// each row the date index names (about three times as quick for twenty years of a twenty-year archive). The
// first and last dates come from the index's ends.
bool RangeCoversMuchOfTheArchive(CQuakeDatabase& db, const CalendarDate& from, const CalendarDate& to) {
    db.Query("select (select min(data1) from trze) as first,(select max(data1) from trze) as last");
    long long first = 0, last = 0;
    if (db.GetRowCount() != 1 || !DayOf(db.GetValue("first"), &first) || !DayOf(db.GetValue("last"), &last)) {
        return false;
    }
    long long rangeFrom = 0, rangeTo = 0;
    DayOf(DateText(from), &rangeFrom);
    DayOf(DateText(to), &rangeTo);
    const long long covered = std::min(last, rangeTo) - std::max(first, rangeFrom) + 1;
    return covered * 3 >= last - first + 1;
}

}  // namespace

RowListing LoadHistoryRows(const std::string& path, const std::string& sql, const std::atomic<bool>* stop,
                           const std::string& feltSql) {
    CQuakeDatabase db(path);
    db.SetStopFlag(stop);
    RowListing listing = ReadRows(db, sql, stop, [](const CQuakeDatabase&, const HistoryRow&) { return true; });
    AddFeltReports(db, feltSql, stop, &listing);
    return listing;
}

RowListing LoadShakingRows(const std::string& path, const ShakingQuery& query, const std::atomic<bool>* stop) {
    ShakingQuery onGlobe = query;
    onGlobe.places = PlacesOnTheGlobe(query.places);
    CQuakeDatabase db(path);
    db.SetStopFlag(stop);
    const bool wholeTable = RangeCoversMuchOfTheArchive(db, query.from, query.to);
    // A locked or missing archive is told at once, not after a second wait.
    if (db.GetLastResult() != 0) {
        return {{}, FaultOf(db, stop)};
    }
    RowListing listing =
        ReadRows(db, ShakingStatement(onGlobe, wholeTable), stop, [&](const CQuakeDatabase& at, HistoryRow& row) {
            row.shaking = StrongestLevel(row.mag, row.wsp1, row.wsp2, at.GetValue("depth"), onGlobe.places);
            return row.shaking >= query.level;
        });
    AddFeltReports(db, FeltStatement(query.from, query.to, query.region), stop, &listing);
    return listing;
}

CHistoryLoader::~CHistoryLoader() {
    Stop();
}

void CHistoryLoader::Start(Job job) {
    Stop();
    m_stop.store(false);
    m_thread = std::thread([this, job = std::move(job)] { job(&m_stop); });
}

void CHistoryLoader::Stop() {
    m_stop.store(true);
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

}  // namespace dravik
