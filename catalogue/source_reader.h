#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sources/page_fetch.h"
#include "catalogue/quake_list_update.h"
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

// What reading a source needs of the world.
struct SourceReadContext {
    std::function<FetchResult(const std::string& url)> fetch;
    std::function<std::vector<QuakeEvent>(const std::string& body, const std::string& url)> parse;
    // The source's mark as the archive holds it (nothing: none yet); sets *readable false when the archive could
    // not be read now (a lock, a stop). Empty: no archive.
    std::function<std::optional<std::int64_t>(const std::string& source, bool* readable)> archiveMark;
    // The newest origin of the source's reports in an archive that has no mark yet (written before marks were
    // kept); empty: none.
    std::function<std::optional<std::int64_t>(const std::string& source)> newestOrigin;
    // The backlog: its newest mark for the source, the earliest report of it dropped unwritten, and the news
    // that the source was read again from there.
    std::function<std::optional<std::int64_t>(const std::string& source)> pendingMark;
    std::function<std::optional<std::int64_t>(const std::string& source)> hole;
    std::function<void(const std::string& source)> readAgain;
    std::function<std::int64_t()> nowUtcMs;
    std::function<bool()> stop;
    int firstDays = 1;
    int maxDays = 30;
};

struct SourceRead {
    // The page's reports in its order, then those caught up, newest first.
    std::vector<QuakeEvent> events;
    // How far the source is complete with them; nothing when the reads do not follow on from the mark.
    std::optional<SourceMark> mark;
    // Why the source could not be read ("HTTP 503", the fetch's words); empty when it could.
    std::string problem;
    // A catch-up is under way: it stopped before its end (and why), and goes on at the next cycle.
    bool catchingUp = false;
    std::string catchUpProblem;
    // Requests the catch-up made.
    std::size_t catchUpRequests = 0;
    // The catch-up stopped at its bound for one round: the next round goes on from there at once.
    bool more = false;
    // How far the source's clock (its answer's Date) is ahead of the computer's; nothing when it gave none.
    std::optional<std::int64_t> clockOffsetMs;
};

// One source, read every cycle (on the feed worker's thread).
class SourceReader final {
public:
    explicit SourceReader(std::string url);

    SourceRead Read(const SourceReadContext& context);
    const std::string& Url() const { return m_url; }
    // The key its reports' ids and its mark carry.
    const std::string& Source() const { return m_source; }
    bool CatchingUp() const { return m_bCatchingUp; }

private:
    // The catch-up from `start`, its reports added to `read`.
    void CatchUp(const SourceReadContext& context, std::int64_t start, std::optional<std::int64_t> hole,
                 std::int64_t pageComplete, SourceRead* read);

    std::string m_url;
    std::string m_source;
    bool m_bCatchingUp = false;
    bool m_bCutSaid = false;
    // Where an unfinished catch-up goes on (exactly there: what lies before is written or waits to be), the
    // reports it brought so far, and whether the source was given up on for this run.
    std::optional<std::int64_t> m_resumeMs;
    std::size_t m_caughtUp = 0;
    bool m_bGaveUp = false;
};

}  // namespace dravik
