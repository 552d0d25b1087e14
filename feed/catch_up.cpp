#include "feed/catch_up.h"

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

std::string FdsnCatchUpUrl(const std::string& url, std::int64_t startUtcMs, int limit) {
    static const std::unordered_set<std::string> kReplaced = {"starttime", "start",  "endtime", "end",
                                                              "limit",     "offset", "orderby"};
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
    query += "starttime=" + FdsnTime(startUtcMs) + "&orderby=time-asc&limit=" + std::to_string(ClampLimit(limit));
    return parts.base + "?" + query + parts.fragment;
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

CatchUpResult RunFdsnCatchUp(
    const std::string& url, std::int64_t startUtcMs, int limit,
    const std::function<FetchResult(const std::string&)>& fetch,
    const std::function<std::vector<QuakeEvent>(const std::string& body, const std::string& url)>& parse,
    const std::function<void(std::vector<QuakeEvent>)>& onPage, const std::function<bool()>& stop) {
    const auto pageLimit = static_cast<std::size_t>(ClampLimit(limit));
    CatchUpResult result;
    std::unordered_set<std::string> handedOver;
    std::int64_t start = startUtcMs;
    bool stepped = false;  // the start was moved past a page that brought nothing new
    std::optional<std::int64_t> newestHandedOver;
    while (result.pages < kCatchUpMaxPages && !stop()) {
        ++result.pages;
        const FetchResult page = fetch(FdsnCatchUpUrl(url, start, limit));
        if (page.ok && (page.status == 204 || page.status == 404)) {
            result.reached = true;  // the service's "no data"
            break;
        }
        if (!page.ok || page.status < 200 || page.status > 299) {
            break;
        }
        std::vector<QuakeEvent> events = parse(page.body, url);
        // Quakes at the newest origin time of one page come again on the next.
        std::vector<QuakeEvent> fresh;
        std::optional<std::int64_t> newest;
        for (QuakeEvent& event : events) {
            if (event.hasNumbers) {
                newest = std::max(newest.value_or(event.originUtcMs), event.originUtcMs);
            }
            if (handedOver.insert(event.eventId).second) {
                if (event.hasNumbers) {
                    newestHandedOver = std::max(newestHandedOver.value_or(event.originUtcMs), event.originUtcMs);
                }
                fresh.push_back(std::move(event));
            }
        }
        const bool brought = !fresh.empty();
        if (brought) {
            result.events += fresh.size();
            onPage(std::move(fresh));
        }
        if (events.size() < pageLimit) {
            result.reached = true;
            break;
        }
        if (newest && *newest > start) {
            start = *newest;
            stepped = false;
        } else if (brought) {
            stepped = false;  // more at this very time may follow: the same start again
        } else if (!stepped) {
            // A page full of quakes at one origin time would come back for ever.
            ++start;
            stepped = true;
        } else {
            result.reached = true;
            break;
        }
    }
    result.newestOriginMs = newestHandedOver.value_or(0);
    return result;
}

}  // namespace dravik
