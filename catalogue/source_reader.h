#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/quake_list_update.h"
#include "sources/page_fetch.h"
#include "sources/quake_parser.h"

// Reading one earthquake source a cycle: its page, and after a gap (a start, a failure, more news than a page
// shows, reports dropped before they were written) what it published meanwhile, from where the archive holds
// all its reports (the source's completeness mark) on. A page that reaches back to the mark follows on from it
// (it holds every report from its oldest on); one that does not leaves a gap.
namespace dravik {

// A catch-up is listed and stored this many reports a round at most (the next round goes on at once), and stopped
// for the run after this many in all: a service that never runs out is not read for ever.
inline constexpr std::size_t kCatchUpRoundReports = 10000;
inline constexpr std::size_t kCatchUpMaxReports = 200000;
// The computer's clock differs from the sources' when their answers' Date is this far off: then every request
// and mark goes by theirs.
inline constexpr std::int64_t kClockToleranceMs = 5 * 60 * 1000;
// Reports published late or revised after their page was read: asked for by update time each cycle where the
// service offers it (`updatedafter`, from the last such request less a margin for the service's own delay; a
// first request for changes an hour ahead tells whether it does), else the last hours' window read again every
// so many cycles (an hour at the usual five minutes).
inline constexpr std::int64_t kRecentMarginMs = 10 * 60 * 1000;
inline constexpr std::int64_t kRecentWindowMs = 6 * 3600 * 1000;
inline constexpr int kRecentEveryCycles = 12;

// What reading a source needs of the world.
struct SourceReadContext {
    std::function<FetchResult(const std::string& url)> fetch;
    std::function<std::vector<QuakeEvent>(const std::string& body, const std::string& url)> parse;
    // The mark under `key` as the archive holds it (nothing: none yet); sets *readable false when the archive
    // could not be read now (a lock, a stop). Asked for the address's key, then, when it has none yet, for its
    // agency's (what earlier versions kept). Empty: no archive.
    std::function<std::optional<std::int64_t>(const std::string& key, bool* readable)> archiveMark;
    // The newest origin of the source's reports in an archive that has no mark yet (written before marks were
    // kept); empty: none.
    std::function<std::optional<std::int64_t>(const std::string& source)> newestOrigin;
    // The backlog: its newest mark for the source, the earliest report of it dropped unwritten, and the news
    // that the source was read again from there.
    std::function<std::optional<std::int64_t>(const std::string& source)> pendingMark;
    std::function<std::optional<std::int64_t>(const std::string& source)> hole;
    // How many reports of the agency were dropped so far: a drop after a read of the hole began needs another.
    std::function<std::size_t(const std::string& source)> holeDrops;
    std::function<void(const std::string& source)> readAgain;
    // Whether the backlog can take a catch-up round now; empty: always. While it cannot (the archive locked for
    // long), the catch-up waits where it stands instead of reading what would only push out unwritten reports.
    std::function<bool()> backlogRoom;
    std::function<std::int64_t()> nowUtcMs;
    std::function<bool()> stop;
    int firstDays = 1;
    int maxDays = 30;
};

struct SourceRead {
    // The page's reports in its order, then those caught up, newest first.
    std::vector<QuakeEvent> events;
    // How far the address is complete with them (keyed by SourceMarkKey), never past the sources' clock nor
    // past a report the round refuses; nothing when the reads do not follow on from the mark.
    std::optional<SourceMark> mark;
    // Why the source could not be read ("HTTP 503", the fetch's words); empty when it could.
    std::string problem;
    // A catch-up is under way: it stopped before its end (and why), and goes on at the next cycle.
    bool catchingUp = false;
    std::string catchUpProblem;
    // Requests the catch-up made, and those that looked for late and revised reports.
    std::size_t catchUpRequests = 0;
    std::size_t recentRequests = 0;
    // The catch-up stopped at its bound for one round: the next round goes on from there at once.
    bool more = false;
    // The catch-up was given up for this run (a service that never runs out): the mark stays where the written
    // reports end, moving only as the page reaches back to it.
    bool gaveUp = false;
    // How far the source's clock (its answer's Date) is ahead of the computer's; nothing when it gave none.
    std::optional<std::int64_t> clockOffsetMs;
};

// One source, read every cycle (on the feed worker's thread).
class SourceReader final {
public:
    explicit SourceReader(std::string url);

    SourceRead Read(const SourceReadContext& context);
    const std::string& Url() const { return m_url; }
    // The key its reports' ids carry (its agency), and the one its mark is kept under (its address).
    const std::string& Source() const { return m_source; }
    const std::string& MarkKey() const { return m_key; }
    bool CatchingUp() const { return m_bCatchingUp; }

private:
    // The catch-up from `start`, its reports added to `read`.
    void CatchUp(const SourceReadContext& context, std::int64_t start, std::int64_t now,
                 std::optional<std::int64_t> hole, std::int64_t pageComplete, SourceRead* read);
    // Reports published late or revised since they were read, added to `read`.
    void ReadRecent(const SourceReadContext& context, std::int64_t now, SourceRead* read);
    // Where the archive holds the address complete, by the sources' clock `now`; sets *readable.
    std::optional<std::int64_t> ArchivedMark(const SourceReadContext& context, std::int64_t now, bool* readable);

    std::string m_url;
    std::string m_source;
    std::string m_key;
    // The sources' clock less the computer's, from their last answer that said (0: within the tolerance).
    std::int64_t m_offsetMs = 0;
    // The service answered outside the windows asked for: only its page proves anything (said once).
    bool m_bIgnoresWindow = false;
    // The agency's drops counted when a read of its hole began.
    std::optional<std::size_t> m_holeDrops;
    // Whether the service takes `updatedafter` (unknown until asked), since when it was last asked, and the cycles
    // since the last window read again without it.
    enum class UpdatedAfter { kUnknown, kYes, kNo };
    UpdatedAfter m_updatedAfter = UpdatedAfter::kUnknown;
    std::optional<std::int64_t> m_recentSinceMs;
    int m_cyclesSinceRecent = 0;
    bool m_bCatchingUp = false;
    bool m_bCutSaid = false;
    // Where an unfinished catch-up goes on (exactly there: what lies before is written or waits to be), the
    // reports it brought so far, and whether the source was given up on for this run.
    std::optional<std::int64_t> m_resumeMs;
    std::size_t m_caughtUp = 0;
    bool m_bGaveUp = false;
};

}  // namespace dravik
