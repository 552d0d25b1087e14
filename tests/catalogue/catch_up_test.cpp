#include "catalogue/catch_up.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "sources/event_fields.h"

namespace dravik {
namespace {

constexpr std::int64_t kHour = 3600000;
constexpr std::int64_t kDay = 24 * kHour;
constexpr std::int64_t kJan1 = 1704067200000;  // 2024-01-01T00:00:00Z

TEST(CatchUp, RecognisesFdsnEventServices) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"https://www.seismicportal.eu/fdsnws/event/1/query?format=text&limit=50", true},
        {"http://127.0.0.1:8080/fdsnws/event/1/query", true},
        {"HTTPS://geofon.gfz.de/fdsnws/event/1/query#top", true},
        {"https://earthquake.usgs.gov/fdsnws/event/1/query?format=geojson", true},
        {"https://host/fdsnws/event/1/query/", false},
        {"https://host/fdsnws/event/1/queryx", false},
        {"https://host/xfdsnws/event/1/query", false},
        {"https://host/fdsnws/event/1/version", false},
        {"https://host/page?next=/fdsnws/event/1/query", false},  // only the path counts
        {"ftp://host/fdsnws/event/1/query", false},
        {"https:///fdsnws/event/1/query", false},
        {"/fdsnws/event/1/query", false},
        {"", false},
    };
    for (const auto& [url, expected] : cases) {
        EXPECT_EQ(IsFdsnEventService(url), expected) << url;
    }
}

TEST(CatchUp, FdsnAddressAsksForEverythingSinceTheStart) {
    const std::int64_t start = kJan1 + 19 * kHour + 42 * 60000 + 6 * 1000 + 89;
    const std::string tail = "starttime=2024-01-01T19:42:06.089&orderby=time-asc&limit=";
    struct Case {
        std::string url;
        int limit;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"https://h/fdsnws/event/1/query", 1000, "https://h/fdsnws/event/1/query?" + tail + "1000"},
        {"https://h/fdsnws/event/1/query?format=text&limit=50&minmag=2&orderby=time", 200,
         "https://h/fdsnws/event/1/query?format=text&minmag=2&" + tail + "200"},
        {"https://h/q?StartTime=2020-01-01&END=2020-02-01&Start=x&endTime=y&OFFSET=5&OrderBy=magnitude&LIMIT=9&"
         "format=text",
         10, "https://h/q?format=text&" + tail + "10"},
        {"https://h/q?starttimex=1&&lat=1#frag", 0, "https://h/q?starttimex=1&lat=1&" + tail + "1#frag"},
        {"https://h/q?endtime", 5000, "https://h/q?" + tail + "1000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FdsnCatchUpUrl(c.url, start, c.limit), c.expected) << c.url;
    }
    // Whole seconds and times before 1970 are written in full.
    EXPECT_EQ(FdsnCatchUpUrl("h?", kJan1, 1), "h?starttime=2024-01-01T00:00:00.000&orderby=time-asc&limit=1");
    EXPECT_EQ(FdsnCatchUpUrl("h", -1, 1), "h?starttime=1969-12-31T23:59:59.999&orderby=time-asc&limit=1");
}

TEST(CatchUp, UsgsFeedWidensToCoverTheGap) {
    const std::string summary = "https://earthquake.usgs.gov/earthquakes/feed/v1.0/summary/";
    const std::vector<std::tuple<std::string, std::int64_t, std::string>> cases = {
        {"all_hour.geojson", 30 * 60000, "all_hour.geojson"},
        {"all_hour.geojson", kHour, "all_hour.geojson"},
        {"all_hour.geojson", 5 * kHour, "all_day.geojson"},
        {"all_hour.geojson", 2 * kDay, "all_week.geojson"},
        {"2.5_day.geojson", 7 * kDay + 1, "2.5_month.geojson"},
        {"4.5_hour.geojson", 40 * kDay, "4.5_month.geojson"},
        {"1.0_month.geojson", kHour, "1.0_month.geojson"},  // never narrower than its own
        {"significant_week.geojson", 3 * kDay, "significant_week.geojson"},
        {"all_day.geojson?x=1#f", 3 * kDay, "all_week.geojson?x=1#f"},
        {"all_hour.geojson", -kDay, "all_hour.geojson"},
    };
    for (const auto& [file, gap, expected] : cases) {
        EXPECT_EQ(UsgsCatchUpUrl(summary + file, gap), summary + expected) << file << " " << gap;
    }
    const std::vector<std::string> others = {summary + "all_year.geojson",
                                             summary + "5.5_hour.geojson",
                                             summary + "all_hour.json",
                                             "https://h/feed/all_hour.geojson",
                                             "https://h/fdsnws/event/1/query?x=summary/all_hour.geojson",
                                             ""};
    for (const std::string& url : others) {
        EXPECT_EQ(UsgsCatchUpUrl(url, 40 * kDay), url);
    }
}

TEST(CatchUp, StartTime) {
    const std::int64_t now = kJan1 + 40 * kDay;
    struct Case {
        std::optional<std::int64_t> newest;
        int firstDays, maxDays;
        std::int64_t expected;
    };
    const std::vector<Case> cases = {
        {std::nullopt, 1, 30, now - kDay},
        {std::nullopt, 60, 30, now - 30 * kDay},
        {std::nullopt, 0, 0, now - kDay},
        {now - 2 * kHour, 1, 30, now - 3 * kHour},
        {now - 10 * kDay, 1, 30, now - 10 * kDay - kHour},
        {now - 30 * kDay + 30 * 60000, 1, 30, now - 30 * kDay},  // an hour back would pass the bound
        {now - 2 * kDay, 1, 1, now - kDay},
        {now + 5 * kHour, 1, 30, now},  // a clock that was ahead
        {INT64_MIN, 1, 30, now - 30 * kDay},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CatchUpStartMs(c.newest, now, c.firstDays, c.maxDays), c.expected)
            << c.newest.value_or(-1) - now << " " << c.firstDays << " " << c.maxDays;
    }
}

// The value of one query parameter, empty when it is missing.
std::string QueryValue(const std::string& url, const std::string& name) {
    std::istringstream query(url.substr(url.find('?') + 1));
    std::string param;
    while (std::getline(query, param, '&')) {
        if (param.rfind(name + "=", 0) == 0) {
            return param.substr(name.size() + 1);
        }
    }
    return {};
}

// An FDSN service over a list of quakes (in time order), honouring starttime and limit, answering 204 when
// nothing matches. Ties come in the opposite order on every other request, as no order among them is promised.
// Bodies are "id originMs hasNumbers" lines for ReadLines.
struct FakeService {
    std::vector<QuakeEvent> quakes;
    bool ignoresStart = false;
    bool numbers = true;
    std::size_t requests = 0;

    FetchResult operator()(const std::string& url) {
        EXPECT_EQ(QueryValue(url, "orderby"), "time-asc");
        const std::int64_t start = ReadIsoTimeUtcMs(QueryValue(url, "starttime")).value();
        std::vector<QuakeEvent> matching;
        for (const QuakeEvent& q : quakes) {
            if (ignoresStart || q.originUtcMs >= start) {
                matching.push_back(q);
            }
        }
        if (++requests % 2 == 0) {
            std::stable_sort(matching.begin(), matching.end(), [](const QuakeEvent& a, const QuakeEvent& b) {
                return a.originUtcMs != b.originUtcMs ? a.originUtcMs < b.originUtcMs : a.eventId > b.eventId;
            });
        }
        matching.resize(std::min<std::size_t>(matching.size(), std::stoul(QueryValue(url, "limit"))));
        FetchResult page{matching.empty() ? 204 : 200, "", true};
        for (const QuakeEvent& q : matching) {
            page.body += q.eventId + " " + std::to_string(q.originUtcMs) + (numbers ? " 1\n" : " 0\n");
        }
        return page;
    }
};

std::vector<QuakeEvent> ReadLines(const std::string& body, const std::string&) {
    std::vector<QuakeEvent> events;
    std::istringstream lines(body);
    QuakeEvent event;
    while (lines >> event.eventId >> event.originUtcMs >> event.hasNumbers) {
        events.push_back(event);
    }
    return events;
}

struct Outcome {
    CatchUpResult result;
    std::vector<QuakeEvent> handed;
};

Outcome RunCatchUp(const std::function<FetchResult(const std::string&)>& fetch, int limit,
                   const std::function<bool(const Outcome&)>& stop = nullptr) {
    Outcome run;
    run.result = RunFdsnCatchUp(
        "https://h/fdsnws/event/1/query?format=text&limit=50", kJan1 - kHour, limit, fetch, ReadLines,
        [&](std::vector<QuakeEvent> page) { run.handed.insert(run.handed.end(), page.begin(), page.end()); },
        [&] { return stop && stop(run); });
    return run;
}

// `count` quakes evenly over `span` from `from`.
std::vector<QuakeEvent> Spread(int count, std::int64_t from, std::int64_t span, const std::string& prefix = "q") {
    std::vector<QuakeEvent> quakes(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        quakes[i].eventId = prefix + std::to_string(100000 + i);
        quakes[i].originUtcMs = from + span * i / count;
    }
    return quakes;
}

std::vector<std::string> SortedIds(const std::vector<QuakeEvent>& events) {
    std::vector<std::string> ids;
    for (const QuakeEvent& e : events) {
        ids.push_back(e.eventId);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

TEST(CatchUp, PagesThroughTheCatalogueEachQuakeOnce) {
    const std::vector<QuakeEvent> threeDays = Spread(2500, kJan1, 3 * kDay);
    std::vector<QuakeEvent> tiedAtPageEnd = Spread(2000, kJan1, kDay);
    for (std::size_t i = 990; i < 1010; ++i) {
        tiedAtPageEnd[i].originUtcMs = tiedAtPageEnd[990].originUtcMs;
    }
    std::vector<QuakeEvent> oneTimeThenMore = Spread(1500, kJan1, 0, "t");
    for (const QuakeEvent& q : Spread(20, kJan1 + 1, kHour, "later")) {
        oneTimeThenMore.push_back(q);
    }
    struct Case {
        std::string name;
        FakeService service;
        int limit;
        std::size_t requests;
    };
    // A full page at one origin time is paged by offset within its second (the fake's changing order of ties lets
    // all 1,500 through without it). A page without origin times cannot be paged past.
    std::vector<Case> cases = {
        {"three days", {threeDays}, 1000, 3},
        {"limit clamped", {threeDays}, 5000, 3},
        {"small pages", {Spread(10, kJan1, kHour)}, 3, 5},
        {"ties at the page end", {tiedAtPageEnd}, 1000, 3},
        {"exactly one page", {Spread(1000, kJan1, kDay)}, 1000, 2},
        {"nothing", {}, 1000, 1},
        {"1,500 at one time", {Spread(1500, kJan1, 0, "t")}, 1000, 4},
        {"1,500 at one time, then more", {oneTimeThenMore}, 1000, 4},
        {"start ignored", {Spread(1000, kJan1, kDay), true}, 1000, 4},
        {"no numbers to move the start", {Spread(1000, kJan1, kDay), false, false}, 1000, 1},
    };
    for (Case& c : cases) {
        const Outcome run = RunCatchUp(std::ref(c.service), c.limit);
        const std::vector<QuakeEvent>& quakes = c.service.quakes;
        EXPECT_TRUE(run.result.reached) << c.name;
        EXPECT_EQ(c.service.requests, c.requests) << c.name;
        EXPECT_EQ(run.result.pages, c.requests) << c.name;
        EXPECT_EQ(SortedIds(run.handed), SortedIds(quakes)) << c.name;
        EXPECT_TRUE(std::is_sorted(run.handed.begin(), run.handed.end(), [](const QuakeEvent& a, const QuakeEvent& b) {
            return a.originUtcMs < b.originUtcMs;
        })) << c.name;
        EXPECT_EQ(run.result.events, quakes.size()) << c.name;
        const bool newest = !quakes.empty() && c.service.numbers;
        EXPECT_EQ(run.result.newestOriginMs, newest ? quakes.back().originUtcMs : 0) << c.name;
    }
}

TEST(CatchUp, AnswersThatEndThePaging) {
    struct Case {
        FetchResult answer;
        bool reached;
    };
    const std::vector<Case> cases = {
        {{204, "", true}, true},           {{404, "Error 404: No data", true}, true},
        {{200, "", true}, true},           {{200, "<html>maintenance</html>", true}, true},
        {{500, "Error 500", true}, false}, {{400, "Error 400: bad starttime", true}, false},
        {{301, "", true}, false},          {{0, "", false}, false},
        {{200, "", false}, false},  // cut off after the status
    };
    for (const Case& c : cases) {
        // As the first answer and as the second, after a full page.
        const Outcome alone = RunCatchUp([&](const std::string&) { return c.answer; }, 10);
        EXPECT_EQ(alone.result.reached, c.reached) << c.answer.status;
        EXPECT_EQ(alone.result.pages, 1u) << c.answer.status;
        EXPECT_TRUE(alone.handed.empty()) << c.answer.status;

        FakeService full{Spread(10, kJan1, kHour)};
        const Outcome second =
            RunCatchUp([&](const std::string& url) { return full.requests == 0 ? full(url) : c.answer; }, 10);
        EXPECT_EQ(second.result.reached, c.reached) << c.answer.status;
        EXPECT_EQ(second.result.pages, 2u) << c.answer.status;
        EXPECT_EQ(second.result.events, 10u) << c.answer.status;
    }
}

TEST(CatchUp, StopIsAskedBeforeEveryRequest) {
    FakeService service{Spread(2500, kJan1, kDay)};
    const Outcome run = RunCatchUp(std::ref(service), 1000, [](const Outcome& r) { return !r.handed.empty(); });
    EXPECT_FALSE(run.result.reached);
    EXPECT_EQ(service.requests, 1u);
    EXPECT_EQ(run.handed.size(), 1000u);

    const Outcome never = RunCatchUp(std::ref(service), 1000, [](const Outcome&) { return true; });
    EXPECT_FALSE(never.result.reached);
    EXPECT_EQ(service.requests, 1u);
}

}  // namespace
}  // namespace dravik
