#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "history/history_list_model.h"
#include "history/history_query.h"
#include "platform/archive_status.h"
#include "sources/geo.h"

// The history window's archive reads, away from the UI thread: a locked or large archive must not freeze it.
namespace dravik {

// What a read found: its rows (empty after a failure) and why it failed (kInterrupted once stopped).
struct RegionListing {
    std::vector<std::string> regions;
    ArchiveFault fault = ArchiveFault::kNone;
};
struct RowListing {
    std::vector<HistoryRow> rows;
    ArchiveFault fault = ArchiveFault::kNone;
};

// The archive's region groups (GroupRegions) in order, each once, on a connection of the calling thread that gives up
// once *stop is set.
RegionListing LoadRegions(const std::string& path, const std::atomic<bool>* stop);
// The rows `sql` (a HistoryStatement) selects, as the list shows them; the same connection rules. With `feltSql`
// (a FeltStatement of the same range), each row gets what agencies said people felt of it.
RowListing LoadHistoryRows(const std::string& path, const std::string& sql, const std::atomic<bool>* stop,
                           const std::string& feltSql = {});

// The rows of the query's range, each with its strongest expected level at the places in `shaking`, those that
// do not reach the query's level left out: the prefilter's SQL, then the exact test of what it keeps. A range of
// most of the archive is read from the table rather than through the date index. The same connection rules.
RowListing LoadShakingRows(const std::string& path, const ShakingQuery& query, const std::atomic<bool>* stop);

// Runs one job at a time on a thread of its own. A new job gives up the running one first: its stop flag is
// set and its thread joined, which takes no longer than the job takes to notice the flag.
class CHistoryLoader final {
public:
    using Job = std::function<void(const std::atomic<bool>* stop)>;

    CHistoryLoader() = default;
    ~CHistoryLoader();
    CHistoryLoader(const CHistoryLoader&) = delete;
    CHistoryLoader& operator=(const CHistoryLoader&) = delete;

    void Start(Job job);
    // Gives up the running job, if any, and joins its thread.
    void Stop();

private:
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};

}  // namespace dravik
