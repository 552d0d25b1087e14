#include "catalogue/source_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iterator>
#include <utility>

#include "catalogue/catch_up.h"
#include "catalogue/source_mark.h"
#include "sources/event_fields.h"

namespace dravik {
namespace {

constexpr std::int64_t kHourMs = 3600 * 1000;

std::string UtcText(std::int64_t utcMs) {
    const auto seconds = static_cast<std::time_t>(utcMs / 1000);
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &tm);
    return text;
}

// The oldest and newest origins of the reports that carry one and that a round at `now` takes: one refused (dated
// before 1900 or more than half a day ahead) is never written, so it proves nothing.
struct Span {
    std::optional<std::int64_t> oldest, newest;
};

bool Accepted(const QuakeEvent& e, std::int64_t now) {
    return e.originUtcMs >= QuakeListUpdate::kEarliestOriginMs && e.originUtcMs <= now + QuakeListUpdate::kMaxAheadMs;
}

Span SpanOf(const std::vector<QuakeEvent>& events, std::int64_t now) {
    Span span;
    for (const QuakeEvent& e : events) {
        if (e.hasNumbers && Accepted(e, now)) {
            span.oldest = std::min(span.oldest.value_or(e.originUtcMs), e.originUtcMs);
            span.newest = std::max(span.newest.value_or(e.originUtcMs), e.originUtcMs);
        }
    }
    return span;
}

std::optional<std::int64_t> Later(std::optional<std::int64_t> a, std::optional<std::int64_t> b) {
    if (!a) {
        return b;
    }
    return b ? std::max(*a, *b) : a;
}

}  // namespace

SourceReader::SourceReader(std::string url)
    : m_url(std::move(url)), m_source(SourcePrefix(m_url)), m_key(SourceMarkKey(m_url)) {}

std::optional<std::int64_t> SourceReader::ArchivedMark(const SourceReadContext& context, std::int64_t now,
                                                       bool* readable) {
    std::optional<std::int64_t> mark = context.archiveMark(m_key, readable);
    if (!*readable) {
        return std::nullopt;
    }
    if (!mark) {
        // Kept per agency by an earlier version: each of its addresses goes on from there. One ahead of the clock
        // was set by a report dated ahead and proves nothing.
        mark = context.archiveMark(m_source, readable);
        if (!*readable || (mark && *mark > now)) {
            return std::nullopt;
        }
        return mark;
    }
    // Never written past the clock; a clock that went back does not make it more than now.
    return std::min(*mark, now);
}

SourceRead SourceReader::Read(const SourceReadContext& context) {
    SourceRead read;
    // Until a catch-up gets to the end it stays under way, whatever stops this read before it.
    read.catchingUp = m_bCatchingUp;
    read.gaveUp = m_bGaveUp;
    const FetchResult page = context.fetch(m_url);
    const std::int64_t computer = context.nowUtcMs();
    if (page.dateUtcMs != 0) {
        const std::int64_t offset = page.dateUtcMs - computer;
        read.clockOffsetMs = offset;
        m_offsetMs = std::llabs(offset) > kClockToleranceMs ? offset : 0;
    }
    // The sources' clock: what the round refuses, how far back a catch-up asks and how far a mark goes.
    const std::int64_t now = computer + m_offsetMs;
    if (!m_recentSinceMs) {
        // Whatever changes while the first catch-up pages is asked for once it is done.
        m_recentSinceMs = now;
    }
    if (!IsReadable(page)) {
        // An error answer's body is the service's words, not its news.
        read.problem = FetchProblem(page);
        return read;
    }
    read.events = context.parse(page.body, m_url);
    const Span span = SpanOf(read.events, now);
    const bool fdsn = IsFdsnEventService(m_url);
    // A feed of a fixed window has a wider one to read a gap in unless it is the widest already.
    const bool widerWindow = UsgsCatchUpUrl(m_url, 30 * 24 * kHourMs) != m_url;
    if ((!fdsn && !widerWindow) || !context.archiveMark || (context.stop && context.stop())) {
        return read;  // nothing to catch up with (the classic page, a feed of one window), or no archive
    }
    bool archiveReadable = true;
    const std::optional<std::int64_t> archived = ArchivedMark(context, now, &archiveReadable);
    if (!archiveReadable) {
        // Where the archive stands is not known this time: the page is listed, the mark stays, the next cycle
        // looks again.
        return read;
    }
    const std::optional<std::int64_t> mark =
        Later(archived, context.pendingMark ? context.pendingMark(m_key) : std::nullopt);
    const std::optional<std::int64_t> hole = context.hole ? context.hole(m_source) : std::nullopt;
    if (!hole) {
        m_holeDrops.reset();
    }
    // A report dated ahead is kept, but what lies between now and it is not known yet.
    const std::int64_t pageComplete = span.newest ? std::min(*span.newest + 1, now) : 0;
    const bool follows = mark && !hole && (!span.oldest || *span.oldest <= *mark);
    if ((follows && !m_bCatchingUp) || m_bGaveUp || m_bIgnoresWindow) {
        // Without a catch-up only a page that reaches back to the mark moves it.
        if (follows && span.newest) {
            read.mark = SourceMark{m_key, std::max(pageComplete, *mark)};
        }
        if (fdsn && !m_bIgnoresWindow && !m_bGaveUp) {
            ReadRecent(context, now, &read);
        }
        return read;
    }
    if (context.backlogRoom && !context.backlogRoom()) {
        // What it would read now could only push out reports not yet written: it goes on once they are.
        m_bCatchingUp = read.catchingUp = true;
        read.catchUpProblem = "waiting for the archive";
        return read;
    }
    std::int64_t start = 0;
    if (mark) {
        start = CatchUpStartMs(*mark, now, context.firstDays, context.maxDays);
    } else {
        // An archive without a mark: from a day back (or as configured), and from before its newest stored report
        // when that is older (the last run of a version that kept no marks); a stored report dated ahead says
        // nothing of where that run stopped, so then from as far back as a catch-up goes.
        start = CatchUpStartMs(std::nullopt, now, context.firstDays, context.maxDays);
        const std::optional<std::int64_t> newest = context.newestOrigin ? context.newestOrigin(m_source) : std::nullopt;
        if (newest) {
            start = std::min(start, *newest > now ? now - std::max(context.maxDays, 1) * 24 * kHourMs
                                                  : CatchUpStartMs(newest, now, context.firstDays, context.maxDays));
        }
    }
    if (m_resumeMs) {
        start = std::max(*m_resumeMs, now - std::max(context.maxDays, 1) * 24 * kHourMs);
    }
    if (hole) {
        // Read again from the hole once per drop: a read of it under way goes on where it stopped.
        const std::size_t drops = context.holeDrops ? context.holeDrops(m_source) : 0;
        if (!m_resumeMs || m_holeDrops != drops) {
            start = std::min(start, CatchUpStartMs(*hole, now, context.firstDays, context.maxDays));
            m_holeDrops = drops;
        }
    }
    CatchUp(context, start, now, hole, pageComplete, &read);
    if (m_bIgnoresWindow) {
        // What the catch-up read proves nothing; the page proves what it holds.
        read.mark.reset();
        if (follows && span.newest) {
            read.mark = SourceMark{m_key, std::max(pageComplete, *mark)};
        }
    }
    return read;
}

void SourceReader::ReadRecent(const SourceReadContext& context, std::int64_t now, SourceRead* read) {
    const std::int64_t reach = now - std::max(context.maxDays, 1) * 24 * kHourMs;
    const std::int64_t ahead = now + QuakeListUpdate::kMaxAheadMs;
    const auto take = [&](const FetchResult& answer, const std::string& url) {
        if (IsReadable(answer)) {
            std::vector<QuakeEvent> events = context.parse(answer.body, url);
            read->events.insert(read->events.end(), std::make_move_iterator(events.begin()),
                                std::make_move_iterator(events.end()));
        }
    };
    if (m_updatedAfter == UpdatedAfter::kUnknown) {
        // Asked once for what changed after an hour from now: a service that takes the parameter has nothing,
        // one that ignores it answers the window (and would every cycle).
        const std::string probe = FdsnWindowUrl(m_url, reach, ahead, 1, 0, now + kHourMs);
        const FetchResult answer = context.fetch(probe);
        ++read->recentRequests;
        if (!answer.ok || (answer.status >= 500 && answer.status != 501)) {
            return;  // asked again next cycle
        }
        const bool takes = answer.status == 204 || answer.status == 404 ||
                           (IsReadable(answer) && context.parse(answer.body, probe).empty());
        m_updatedAfter = takes ? UpdatedAfter::kYes : UpdatedAfter::kNo;
        if (!takes) {
            std::fprintf(stderr,
                         "dravik: %s does not take updatedafter; the last %lld hours are read again every %d "
                         "cycles instead\n",
                         SourceHost(m_url).c_str(), static_cast<long long>(kRecentWindowMs / kHourMs),
                         kRecentEveryCycles);
        }
    }
    if (m_updatedAfter == UpdatedAfter::kYes) {
        const std::string url =
            FdsnWindowUrl(m_url, reach, ahead, kCatchUpPageLimit, 0, *m_recentSinceMs - kRecentMarginMs);
        const FetchResult answer = context.fetch(url);
        ++read->recentRequests;
        if (answer.ok && (IsReadable(answer) || answer.status == 204 || answer.status == 404)) {
            m_recentSinceMs = now;
            take(answer, url);
        }
        return;  // a failed request is asked again, from the same time, next cycle
    }
    if (++m_cyclesSinceRecent < kRecentEveryCycles) {
        return;
    }
    m_cyclesSinceRecent = 0;
    const std::string url = FdsnWindowUrl(m_url, now - kRecentWindowMs, ahead, kCatchUpPageLimit, 0);
    ++read->recentRequests;
    take(context.fetch(url), url);
}

void SourceReader::CatchUp(const SourceReadContext& context, std::int64_t start, std::int64_t now,
                           std::optional<std::int64_t> hole, std::int64_t pageComplete, SourceRead* read) {
    std::vector<QuakeEvent> caughtUp;
    std::int64_t complete = start;
    bool reached = false;
    if (IsFdsnEventService(m_url)) {
        const CatchUpResult result = RunFdsnCatchUp(
            m_url, start, std::nullopt, kCatchUpPageLimit, context.fetch, context.parse,
            [&caughtUp](std::vector<QuakeEvent> pageEvents) {
                caughtUp.insert(caughtUp.end(), std::make_move_iterator(pageEvents.begin()),
                                std::make_move_iterator(pageEvents.end()));
            },
            [&context] { return context.stop && context.stop(); }, kCatchUpRoundReports);
        read->catchUpRequests = result.pages;
        reached = result.reached;
        complete = result.completeUtcMs;
        read->catchUpProblem = result.problem;
        m_caughtUp += result.events;
        if (result.bounded && m_caughtUp >= kCatchUpMaxReports) {
            // A service that keeps answering new reports: what came is kept, the rest of this run does without.
            std::fprintf(stderr,
                         "dravik: %s answered %zu reports and still more; its catch-up is stopped for this run\n",
                         SourceHost(m_url).c_str(), m_caughtUp);
            m_bGaveUp = read->gaveUp = true;
        } else {
            read->more = result.bounded;
        }
        if (result.ignoresWindow) {
            m_bIgnoresWindow = true;
            std::fprintf(stderr,
                         "dravik: %s answers outside the time window asked for, so its catch-up proves nothing; "
                         "its completeness moves only as its page reaches back to it\n",
                         SourceHost(m_url).c_str());
        }
        if (result.cutSecondMs && !m_bCutSaid) {
            m_bCutSaid = true;
            std::fprintf(stderr,
                         "dravik: %s lists %d or more quakes in the second from %s and pages them no further; "
                         "the rest of that second cannot be read\n",
                         SourceHost(m_url).c_str(), kCatchUpPageLimit, UtcText(*result.cutSecondMs).c_str());
        }
    } else {
        const std::string wider = UsgsCatchUpUrl(m_url, context.nowUtcMs() - start);
        const FetchResult page = context.fetch(wider);
        read->catchUpRequests = 1;
        reached = IsReadable(page);
        if (reached) {
            caughtUp = context.parse(page.body, wider);
            // A fixed window holds everything in it: as complete as its newest report.
            const Span span = SpanOf(caughtUp, now);
            complete = span.newest ? *span.newest + 1 : start;
        } else {
            read->catchUpProblem = FetchProblem(page);
        }
    }
    if (reached) {
        complete = std::max(complete, pageComplete);
    }
    // What lies ahead of the clock is not published yet.
    complete = std::min(complete, now);
    if (complete > start && !m_bIgnoresWindow) {
        read->mark = SourceMark{m_key, complete};
    }
    if (hole && complete > *hole && context.readAgain) {
        context.readAgain(m_source);
    }
    m_bCatchingUp = !reached && !m_bGaveUp && !m_bIgnoresWindow;
    read->catchingUp = m_bCatchingUp;
    if (m_bCatchingUp) {
        m_resumeMs = complete;
    } else {
        m_resumeMs.reset();
        m_caughtUp = 0;
    }
    // Newest first after the page's own, as a page lists them; a quake on both counts once in the round anyway.
    std::reverse(caughtUp.begin(), caughtUp.end());
    read->events.insert(read->events.end(), std::make_move_iterator(caughtUp.begin()),
                        std::make_move_iterator(caughtUp.end()));
}

}  // namespace dravik
