#include "catalogue/catch_up.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <unordered_set>
#include <utility>

namespace dravik {
namespace {

constexpr std::int64_t kHourMs = 3600000;
constexpr std::int64_t kDayMs = 24 * kHourMs;

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// An address cut where its path ends and where its query ends: "base?query#fragment".
struct UrlParts {
    std::string base, query, fragment;  // query without its '?', fragment with its '#'
};

UrlParts SplitUrl(const std::string& url) {
    UrlParts parts;
    const std::size_t hash = url.find('#');
    parts.fragment = hash == std::string::npos ? "" : url.substr(hash);
    const std::string head = url.substr(0, hash);
    const std::size_t question = head.find('?');
    parts.base = head.substr(0, question);
    parts.query = question == std::string::npos ? "" : head.substr(question + 1);
    return parts;
}

// The path of an http or https address, empty for anything else.
std::string HttpPath(const std::string& base) {
    const std::size_t scheme = base.find("://");
    if (scheme == std::string::npos) {
        return {};
    }
    const std::string name = Lower(base.substr(0, scheme));
    const std::size_t slash = base.find('/', scheme + 3);
    if ((name != "http" && name != "https") || slash == std::string::npos || slash == scheme + 3) {
        return {};
    }
    return base.substr(slash);
}

int ClampLimit(int limit) {
    return std::clamp(limit, 1, kCatchUpPageLimit);
}

std::string FdsnTime(std::int64_t utcMs) {
    const std::int64_t millis = ((utcMs % 1000) + 1000) % 1000;
    const auto seconds = static_cast<std::time_t>((utcMs - millis) / 1000);
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(millis));
    return text;
}

struct UsgsWindow {
    const char* name;
    std::int64_t ms;
};
constexpr std::array<UsgsWindow, 4> kUsgsWindows = {{
    {"hour", kHourMs},
    {"day", kDayMs},
    {"week", 7 * kDayMs},
    {"month", 30 * kDayMs},
}};

}  // namespace

bool IsFdsnEventService(const std::string& url) {
    return EndsWith(HttpPath(SplitUrl(url).base), "/fdsnws/event/1/query");
}

std::string FdsnWindowUrl(const std::string& url, std::int64_t startUtcMs, std::optional<std::int64_t> endUtcMs,
                          int limit, std::size_t offset, std::optional<std::int64_t> updatedAfter) {
    static const std::unordered_set<std::string> kReplaced = {"starttime", "start",  "endtime", "end",
                                                              "limit",     "offset", "orderby", "updatedafter"};
    const UrlParts parts = SplitUrl(url);
    std::string query;
    std::size_t from = 0;
    while (from <= parts.query.size()) {
        const std::size_t amp = std::min(parts.query.find('&', from), parts.query.size());
        const std::string param = parts.query.substr(from, amp - from);
        if (!param.empty() && kReplaced.count(Lower(param.substr(0, param.find('=')))) == 0) {
            query += param + "&";
        }
        from = amp + 1;
    }
    query += "starttime=" + FdsnTime(startUtcMs);
    if (endUtcMs) {
        query += "&endtime=" + FdsnTime(*endUtcMs);
    }
    query += "&orderby=time-asc&limit=" + std::to_string(ClampLimit(limit));
    if (offset > 0) {
        query += "&offset=" + std::to_string(offset + 1);
    }
    if (updatedAfter) {
        query += "&updatedafter=" + FdsnTime(*updatedAfter);
    }
    return parts.base + "?" + query + parts.fragment;
}

std::string FdsnCatchUpUrl(const std::string& url, std::int64_t startUtcMs, int limit) {
    return FdsnWindowUrl(url, startUtcMs, std::nullopt, limit, 0);
}

std::string UsgsCatchUpUrl(const std::string& url, std::int64_t gapMs) {
    const UrlParts parts = SplitUrl(url);
    const std::string path = HttpPath(parts.base);
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || !EndsWith(path.substr(0, slash), "/summary")) {
        return url;
    }
    const std::string file = path.substr(slash + 1);
    const std::size_t underscore = file.find('_');
    const std::string level = file.substr(0, underscore);
    if (underscore == std::string::npos ||
        (level != "significant" && level != "4.5" && level != "2.5" && level != "1.0" && level != "all")) {
        return url;
    }
    const auto own = std::find_if(kUsgsWindows.begin(), kUsgsWindows.end(),
                                  [&](const UsgsWindow& w) { return file == level + "_" + w.name + ".geojson"; });
    if (own == kUsgsWindows.end()) {
        return url;
    }
    auto chosen = std::find_if(own, kUsgsWindows.end(), [&](const UsgsWindow& w) { return w.ms >= gapMs; });
    if (chosen == kUsgsWindows.end()) {
        chosen = kUsgsWindows.end() - 1;
    }
    // The query and fragment, if any, stay as they were.
    return parts.base.substr(0, parts.base.size() - file.size()) + level + "_" + chosen->name + ".geojson" +
           url.substr(parts.base.size());
}

std::int64_t CatchUpStartMs(std::optional<std::int64_t> newestOriginMs, std::int64_t nowMs, int firstDays,
                            int maxDays) {
    const std::int64_t earliest = nowMs - std::max(maxDays, 1) * kDayMs;
    std::int64_t start = nowMs - std::max(firstDays, 1) * kDayMs;
    if (newestOriginMs) {
        // Compared before subtracting, so that no stored time can overflow.
        start = *newestOriginMs < earliest + kHourMs ? earliest : *newestOriginMs - kHourMs;
    }
    return std::clamp(start, earliest, nowMs);
}

namespace {

// How far outside its window a report may lie before the window counts as not answered: services that compare
// whole seconds.
constexpr std::int64_t kSlackMs = 1000;

// One catch-up's walk: the pages asked, what was handed over, and where it stands.
class CatchUpWalk {
public:
    using Fetch = std::function<FetchResult(const std::string&)>;
    using Parse = std::function<std::vector<QuakeEvent>(const std::string& body, const std::string& url)>;
    using OnPage = std::function<void(std::vector<QuakeEvent>)>;

    CatchUpWalk(const std::string& url, int limit, const Fetch& fetch, const Parse& parse, const OnPage& onPage,
                const std::function<bool()>& stop, std::size_t maxEvents)
        : m_maxEvents(maxEvents),
          m_url(url),
          m_limit(limit),
          m_pageLimit(static_cast<std::size_t>(ClampLimit(limit))),
          m_fetch(fetch),
          m_parse(parse),
          m_onPage(onPage),
          m_stop(stop) {}

    // One page: its events with numbers inside [from, to], and whether it could be read. Sets the result's
    // problem or reached on the answers that end the walk.
    struct Page {
        bool read = false;
        bool noData = false;
        std::size_t count = 0;             // events in the page
        std::vector<std::int64_t> inside;  // origins inside the window, in the page's order
        bool outside = false;              // an event with numbers outside the window
        bool pastEnd = false;              // one more than a second after its end: the end was not asked
    };
    Page Ask(std::int64_t from, std::optional<std::int64_t> to, std::size_t offset) {
        Page page;
        if (m_result.pages >= kCatchUpMaxPages) {
            m_result.problem = "too many pages";
            return page;
        }
        if (m_stop()) {
            m_result.problem = "stopped";
            return page;
        }
        if (m_maxEvents != 0 && m_result.events >= m_maxEvents) {
            m_result.bounded = true;
            m_result.problem = "to be continued";
            return page;
        }
        ++m_result.pages;
        const FetchResult answer = m_fetch(FdsnWindowUrl(m_url, from, to, m_limit, offset));
        if (answer.ok && (answer.status == 204 || answer.status == 404)) {
            page.read = page.noData = true;  // the service's "no data"
            return page;
        }
        if (!IsReadable(answer)) {
            m_result.problem = FetchProblem(answer);
            return page;
        }
        page.read = true;
        std::vector<QuakeEvent> events = m_parse(answer.body, m_url);
        page.count = events.size();
        std::vector<QuakeEvent> fresh;
        for (QuakeEvent& event : events) {
            if (event.hasNumbers) {
                m_seenNewest = std::max(m_seenNewest.value_or(event.originUtcMs), event.originUtcMs);
                if (event.originUtcMs < from || (to && event.originUtcMs > *to)) {
                    page.outside = true;
                    page.pastEnd = page.pastEnd || (to && event.originUtcMs > *to + kSlackMs);
                } else {
                    page.inside.push_back(event.originUtcMs);
                }
            }
            if (m_handedOver.insert(event.eventId).second) {
                if (event.hasNumbers) {
                    m_newestHanded = std::max(m_newestHanded.value_or(event.originUtcMs), event.originUtcMs);
                }
                fresh.push_back(std::move(event));
            }
        }
        m_brought = fresh.size();
        if (!fresh.empty()) {
            m_result.events += fresh.size();
            m_onPage(std::move(fresh));
        }
        return page;
    }
    bool Full(const Page& page) const { return page.count >= m_pageLimit; }
    std::size_t Brought() const { return m_brought; }
    std::size_t PageLimit() const { return m_pageLimit; }
    std::optional<std::int64_t> SeenNewest() const { return m_seenNewest; }
    CatchUpResult& Result() { return m_result; }
    CatchUpResult Finish() {
        m_result.newestOriginMs = m_newestHanded.value_or(0);
        return m_result;
    }

private:
    const std::size_t m_maxEvents;
    const std::string& m_url;
    const int m_limit;
    const std::size_t m_pageLimit;
    const Fetch& m_fetch;
    const Parse& m_parse;
    const OnPage& m_onPage;
    const std::function<bool()>& m_stop;
    CatchUpResult m_result;
    std::unordered_set<std::string> m_handedOver;
    std::optional<std::int64_t> m_seenNewest;
    std::optional<std::int64_t> m_newestHanded;
    std::size_t m_brought = 0;
};

constexpr std::int64_t kSecondMs = 1000;

// Walks [from, end] in windows small enough to come back below the limit, whatever order the service
// answers in; returns whether it got to the end.
bool WalkWindows(CatchUpWalk& walk, std::int64_t from, std::optional<std::int64_t> endUtcMs, std::int64_t width = 0) {
    CatchUpResult& result = walk.Result();
    result.walkedWindows = true;
    const auto end = [&] { return endUtcMs ? *endUtcMs : walk.SeenNewest().value_or(from); };
    if (width <= 0) {
        width = std::max<std::int64_t>((end() - from + 1) / 2, kSecondMs);
    }
    while (from <= end()) {
        const std::int64_t to = width > end() - from ? end() : from + width - 1;
        const CatchUpWalk::Page page = walk.Ask(from, to, 0);
        if (!page.read) {
            return false;
        }
        if (page.pastEnd) {
            // A page cut anywhere past the window says nothing of what the window holds.
            result.ignoresWindow = true;
            result.problem = "answers outside the window asked for";
            return false;
        }
        if (!page.noData && walk.Full(page) && page.inside.size() >= walk.PageLimit()) {
            if (width > kSecondMs) {
                width = std::max(width / 2, kSecondMs);
                continue;
            }
            // One second still full: its reports by offset, as long as each page brings new ones.
            for (std::size_t offset = walk.PageLimit();; offset += walk.PageLimit()) {
                const CatchUpWalk::Page more = walk.Ask(from, to, offset);
                if (!more.read) {
                    return false;
                }
                if (more.noData || !walk.Full(more)) {
                    break;
                }
                if (walk.Brought() == 0) {
                    if (!result.cutSecondMs) {
                        result.cutSecondMs = from;
                    }
                    break;
                }
            }
        }
        result.completeUtcMs = to + 1;
        from = to + 1;
        // Quiet stretches go by in wider steps again.
        width = std::min<std::int64_t>(width * 2, 400 * 24 * 3600 * kSecondMs);
    }
    return true;
}

}  // namespace

CatchUpResult RunFdsnCatchUp(
    const std::string& url, std::int64_t startUtcMs, std::optional<std::int64_t> endUtcMs, int limit,
    const std::function<FetchResult(const std::string&)>& fetch,
    const std::function<std::vector<QuakeEvent>(const std::string& body, const std::string& url)>& parse,
    const std::function<void(std::vector<QuakeEvent>)>& onPage, const std::function<bool()>& stop,
    std::size_t maxEvents) {
    CatchUpWalk walk(url, limit, fetch, parse, onPage, stop, maxEvents);
    CatchUpResult& result = walk.Result();
    result.completeUtcMs = startUtcMs;
    std::int64_t start = startUtcMs;
    for (;;) {
        const CatchUpWalk::Page page = walk.Ask(start, endUtcMs, 0);
        if (!page.read) {
            return walk.Finish();
        }
        // A page past the end asked for is no answer to it, short or not: windows tell.
        if (!page.pastEnd && (page.noData || !walk.Full(page) || (page.inside.empty() && !page.outside))) {
            // A short page: the rest from `start` on, in whatever order. Reports without times cannot be paged.
            // When the first begins well after the start, the stretch before it is asked once: a service that
            // answers every request with the same page shows it there, and its page then proves nothing.
            if (result.pages == 1 && !page.inside.empty()) {
                const std::int64_t oldest = *std::min_element(page.inside.begin(), page.inside.end());
                if (oldest > start + kSlackMs) {
                    const CatchUpWalk::Page before = walk.Ask(start, oldest - 1, 0);
                    if (!before.read) {
                        return walk.Finish();
                    }
                    if (before.pastEnd) {
                        result.ignoresWindow = true;
                        result.problem = "answers outside the window asked for";
                        return walk.Finish();
                    }
                }
            }
            result.reached = true;
            break;
        }
        const bool ordered = std::is_sorted(page.inside.begin(), page.inside.end());
        const bool oneTime = ordered && !page.outside && page.inside.front() == page.inside.back();
        if (!ordered || page.outside || oneTime) {
            // Not oldest first, not the window asked for (the page proves nothing about what it left out), or a
            // page full of one origin time (nothing before it: the second from it on): the stretch up to the
            // newest time seen goes by windows, then on.
            if (oneTime) {
                start = page.inside.front();
                result.completeUtcMs = start;
            }
            if (!WalkWindows(walk, start, endUtcMs, oneTime ? kSecondMs : 0)) {
                return walk.Finish();
            }
            if (result.completeUtcMs <= start || (endUtcMs && result.completeUtcMs > *endUtcMs)) {
                result.reached = true;
                break;
            }
            start = result.completeUtcMs;
            continue;
        }
        // Reports at the newest time may go on past the page: asked again from there.
        result.completeUtcMs = page.inside.back();
        start = page.inside.back();
    }
    const std::int64_t seen = walk.SeenNewest().value_or(startUtcMs);
    result.completeUtcMs = std::max(result.completeUtcMs, (endUtcMs ? std::min(*endUtcMs, seen) : seen) + 1);
    return walk.Finish();
}

CatchUpResult RunFdsnCatchUp(
    const std::string& url, std::int64_t startUtcMs, int limit,
    const std::function<FetchResult(const std::string&)>& fetch,
    const std::function<std::vector<QuakeEvent>(const std::string& body, const std::string& url)>& parse,
    const std::function<void(std::vector<QuakeEvent>)>& onPage, const std::function<bool()>& stop) {
    return RunFdsnCatchUp(url, startUtcMs, std::nullopt, limit, fetch, parse, onPage, stop);
}

}  // namespace dravik
