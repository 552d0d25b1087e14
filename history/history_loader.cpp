#include "history/history_loader.h"

#include <utility>

#include "history/history_query.h"
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
    // The region index gives each region once; the order is the combo's, letter case aside (ASCII's), then
    // byte by byte.
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
    return listing;
}

RowListing LoadHistoryRows(const std::string& path, const std::string& sql, const std::atomic<bool>* stop) {
    RowListing listing;
    CQuakeDatabase db(path);
    db.SetStopFlag(stop);
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
        listing.rows.push_back(std::move(row));
        db.MoveNext();
    }
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
