#include "catalogue/source_reader.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <utility>

#include "catalogue/catch_up.h"
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

// The oldest and newest origins of the reports that carry one.
struct Span {
    std::optional<std::int64_t> oldest, newest;
};

Span SpanOf(const std::vector<QuakeEvent>& events) {
    Span span;
    for (const QuakeEvent& e : events) {
        if (e.hasNumbers) {
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

SourceReader::SourceReader(std::string url) : m_url(std::move(url)), m_source(SourcePrefix(m_url)) {}

SourceRead SourceReader::Read(const SourceReadContext& context) {
    SourceRead read;
    // Until a catch-up gets to the end it stays under way, whatever stops this read before it.
    read.catchingUp = m_bCatchingUp;
    const FetchResult page = context.fetch(m_url);
    if (page.dateUtcMs != 0) {
        read.clockOffsetMs = page.dateUtcMs - context.nowUtcMs();
    }
    if (!IsReadable(page)) {
        // An error answer's body is the service's words, not its news.
        read.problem = FetchProblem(page);
        return read;
    }
    read.events = context.parse(page.body, m_url);
    const Span span = SpanOf(read.events);
    const bool fdsn = IsFdsnEventService(m_url);
    const std::int64_t now = context.nowUtcMs();
    // A feed of a fixed window has a wider one to read a gap in unless it is the widest already.
    const bool widerWindow = UsgsCatchUpUrl(m_url, 30 * 24 * kHourMs) != m_url;
    if ((!fdsn && !widerWindow) || !context.archiveMark || (context.stop && context.stop())) {
        return read;  // nothing to catch up with (the classic page, a feed of one window), or no archive
    }
    bool archiveReadable = true;
    const std::optional<std::int64_t> archived = context.archiveMark(m_source, &archiveReadable);
    if (!archiveReadable) {
        // Where the archive stands is not known this time: the page is listed, the mark stays, the next cycle
        // looks again.
        return read;
    }
    const std::optional<std::int64_t> mark =
        Later(archived, context.pendingMark ? context.pendingMark(m_source) : std::nullopt);
    const std::optional<std::int64_t> hole = context.hole ? context.hole(m_source) : std::nullopt;
    const std::int64_t pageComplete = span.newest ? *span.newest + 1 : 0;
    const bool follows = mark && !hole && (!span.oldest || *span.oldest <= *mark);
    if ((follows && !m_bCatchingUp) || m_bGaveUp) {
        if (span.newest) {
            read.mark = SourceMark{m_source, std::max(pageComplete, *mark)};
        }
        return read;
    }
    std::int64_t start = 0;
    if (mark) {
        start = CatchUpStartMs(*mark, now, context.firstDays, context.maxDays);
    } else {
        // An archive without a mark: from a day back (or as configured), and from before its newest stored report
        // when that is older (the last run of a version that kept no marks).
        start = CatchUpStartMs(std::nullopt, now, context.firstDays, context.maxDays);
        const std::optional<std::int64_t> newest = context.newestOrigin ? context.newestOrigin(m_source) : std::nullopt;
        if (newest) {
            start = std::min(start, CatchUpStartMs(newest, now, context.firstDays, context.maxDays));
        }
    }
    if (m_resumeMs) {
        start = std::max(*m_resumeMs, now - std::max(context.maxDays, 1) * 24 * kHourMs);
    }
    if (hole) {
        start = std::min(start, CatchUpStartMs(*hole, now, context.firstDays, context.maxDays));
    }
    CatchUp(context, start, hole, pageComplete, &read);
    return read;
}

void SourceReader::CatchUp(const SourceReadContext& context, std::int64_t start, std::optional<std::int64_t> hole,
                           std::int64_t pageComplete, SourceRead* read) {
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
            read->problem = "catch-up stopped after " + std::to_string(m_caughtUp) + " reports";
            m_bGaveUp = true;
        } else {
            read->more = result.bounded;
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
            const Span span = SpanOf(caughtUp);
            complete = span.newest ? *span.newest + 1 : start;
        } else {
            read->catchUpProblem = FetchProblem(page);
        }
    }
    if (reached) {
        complete = std::max(complete, pageComplete);
    }
    if (complete > start) {
        read->mark = SourceMark{m_source, complete};
    }
    if (hole && complete > *hole && context.readAgain) {
        context.readAgain(m_source);
    }
    m_bCatchingUp = !reached && !m_bGaveUp;
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
