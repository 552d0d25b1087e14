// Nothing lost when a read or a write is cut short: the catch-up against services that do not page as asked,
// the order and marks the backlog gets, the registry's merge of two agencies, and classic times around a
// clock change.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "alerts/time_display.h"
#include "catalogue/catch_up.h"
#include "catalogue/quake_list_update.h"
#include "catalogue/quake_registry.h"
#include "catalogue/source_reader.h"
#include "platform/sound.h"
#include "sources/quake_time.h"
#include "tests/common/scoped_tz.h"

namespace dravik {
namespace {

constexpr std::int64_t kT0 = 1704110400000;  // 2024-01-01 12:00 UTC
constexpr std::int64_t kSecond = 1000;
constexpr std::int64_t kHour = 3600 * kSecond;
constexpr std::int64_t kDay = 24 * kHour;

QuakeEvent Quake(const std::string& id, std::int64_t origin, double lat = 38.0, double lon = 20.0, double mag = 4.0) {
    QuakeEvent e;
    e.eventId = id;
    e.region = id;
    e.hasNumbers = true;
    e.originUtcMs = origin;
    e.latitude = lat;
    e.longitude = lon;
    e.magnitude = mag;
    e.mag = std::to_string(mag);
    return e;
}

std::string Query(const std::string& url, const std::string& name) {
    const std::size_t at =
        url.find("&" + name + "=") != std::string::npos ? url.find("&" + name + "=") : url.find("?" + name + "=");
    if (at == std::string::npos) {
        return {};
    }
    const std::size_t from = at + name.size() + 2;
    return url.substr(from, url.find('&', from) - from);
}

std::int64_t ReadFdsnTime(const std::string& text) {
    std::tm tm{};
    int millis = 0;
    std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d.%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour, &tm.tm_min,
                &tm.tm_sec, &millis);
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    return static_cast<std::int64_t>(::timegm(&tm)) * 1000 + millis;
}

// An FDSN service over `quakes`: windows and limit honoured, and as told, orderby and offset.
struct Service {
    std::vector<QuakeEvent> quakes;
    bool honoursOrder = true;
    bool honoursOffset = true;
    int failRequest = 0;  // this request (from 1) answers 500
    int requests = 0;

    FetchResult operator()(const std::string& url) {
        if (++requests == failRequest) {
            return {500, "Error 500", true};
        }
        std::vector<QuakeEvent> matching;
        const std::string start = Query(url, "starttime"), end = Query(url, "endtime");
        for (const QuakeEvent& q : quakes) {
            if ((start.empty() || q.originUtcMs >= ReadFdsnTime(start)) &&
                (end.empty() || q.originUtcMs <= ReadFdsnTime(end))) {
                matching.push_back(q);
            }
        }
        // Ties always in the same order.
        std::stable_sort(matching.begin(), matching.end(), [&](const QuakeEvent& a, const QuakeEvent& b) {
            const bool ascending = honoursOrder && Query(url, "orderby") == "time-asc";
            return ascending ? a.originUtcMs < b.originUtcMs : a.originUtcMs > b.originUtcMs;
        });
        const std::string offset = Query(url, "offset");
        if (honoursOffset && !offset.empty()) {
            matching.erase(matching.begin(),
                           matching.begin() + std::min<std::size_t>(matching.size(), std::stoul(offset) - 1));
        }
        const std::string limit = Query(url, "limit");
        if (!limit.empty()) {
            matching.resize(std::min<std::size_t>(matching.size(), std::stoul(limit)));
        }
        FetchResult page{matching.empty() ? 204 : 200, "", true};
        for (const QuakeEvent& q : matching) {
            page.body += q.eventId + " " + std::to_string(q.originUtcMs) + "\n";
        }
        return page;
    }
};

std::vector<QuakeEvent> ReadLines(const std::string& body, const std::string&) {
    std::vector<QuakeEvent> events;
    std::istringstream lines(body);
    std::string id;
    std::int64_t origin = 0;
    while (lines >> id >> origin) {
        events.push_back(Quake(id, origin));
    }
    return events;
}

std::vector<QuakeEvent> Spread(int count, std::int64_t from, std::int64_t span, const std::string& prefix = "h:q") {
    std::vector<QuakeEvent> quakes;
    for (int i = 0; i < count; ++i) {
        quakes.push_back(Quake(prefix + std::to_string(100000 + i), from + span * i / count));
    }
    return quakes;
}

const char* const kUrl = "http://h/fdsnws/event/1/query?format=text&limit=50";

struct Walk {
    CatchUpResult result;
    std::size_t handed = 0;
};

Walk CatchUp(Service& service, std::int64_t start) {
    Walk walk;
    walk.result = RunFdsnCatchUp(
        kUrl, start, 1000, std::ref(service), ReadLines,
        [&](std::vector<QuakeEvent> page) { walk.handed += page.size(); }, [] { return false; });
    return walk;
}

TEST(CompletenessCatchUp, ServicesThatDoNotPageAsAskedAreWalkedInWindows) {
    struct Case {
        const char* name;
        Service service;
        std::size_t maxRequests;
    };
    std::vector<QuakeEvent> ties = Spread(1500, kT0, 0);
    std::vector<QuakeEvent> tiesThenMore = ties;
    for (const QuakeEvent& q : Spread(20, kT0 + kSecond, kHour, "h:later")) {
        tiesThenMore.push_back(q);
    }
    std::vector<Case> cases = {
        {"oldest first as asked", {Spread(3000, kT0, 30 * kDay)}, 4},
        {"newest first whatever is asked", {Spread(3000, kT0, 30 * kDay), false}, 20},
        {"1,500 at one time, by offset", {ties}, 10},
        {"1,500 at one time, then more", {tiesThenMore}, 12},
        {"1,500 at one time, newest first", {ties, false}, 10},
    };
    for (Case& c : cases) {
        const Walk walk = CatchUp(c.service, kT0 - kHour);
        EXPECT_TRUE(walk.result.reached) << c.name;
        EXPECT_EQ(walk.handed, c.service.quakes.size()) << c.name;
        EXPECT_LE(static_cast<std::size_t>(c.service.requests), c.maxRequests) << c.name;
        EXPECT_FALSE(walk.result.cutSecondMs) << c.name;
        EXPECT_GT(walk.result.completeUtcMs, c.service.quakes.back().originUtcMs) << c.name;
        EXPECT_EQ(walk.result.walkedWindows, std::string(c.name) != "oldest first as asked") << c.name;
    }
}

TEST(CompletenessCatchUp, ASecondThatCannotBePagedIsSaidAndAFailureSaysHowFarItGot) {
    Service noOffset{Spread(1500, kT0, 0)};
    noOffset.honoursOffset = false;
    const Walk cut = CatchUp(noOffset, kT0 - kHour);
    EXPECT_TRUE(cut.result.reached);
    EXPECT_EQ(cut.handed, 1000u);
    ASSERT_TRUE(cut.result.cutSecondMs);
    EXPECT_LE(*cut.result.cutSecondMs, kT0);

    // A 500 on the second page: not reached, complete up to the first page's newest origin, not beyond.
    Service failing{Spread(3000, kT0, 20 * kHour)};
    failing.failRequest = 2;
    const Walk partial = CatchUp(failing, kT0);
    EXPECT_FALSE(partial.result.reached);
    EXPECT_EQ(partial.result.problem, "HTTP 500");
    EXPECT_EQ(partial.handed, 1000u);
    EXPECT_EQ(partial.result.completeUtcMs, failing.quakes[999].originUtcMs);
}

// The reader's decisions over a fake archive: when a page follows on from the mark, where a catch-up starts,
// and what a failed one leaves.
struct ReaderWorld {
    Service service;
    std::optional<std::int64_t> archiveMark;
    bool archiveReadable = true;
    std::int64_t now = kT0 + 2 * kDay;
    long pollStatus = 200;
    std::vector<std::string> urls;

    SourceReadContext Context() {
        SourceReadContext context;
        context.fetch = [this](const std::string& url) {
            if (url.find("updatedafter") != std::string::npos) {
                return FetchResult{204, "", true};  // nothing changed since
            }
            urls.push_back(url);
            if (url.find("starttime") == std::string::npos) {
                // The poll: the newest 50.
                std::vector<QuakeEvent> all = service.quakes;
                std::reverse(all.begin(), all.end());
                all.resize(std::min<std::size_t>(all.size(), 50));
                FetchResult page{pollStatus, "", true};
                for (const QuakeEvent& q : all) {
                    page.body += q.eventId + " " + std::to_string(q.originUtcMs) + "\n";
                }
                return page;
            }
            return service(url);
        };
        context.parse = ReadLines;
        context.archiveMark = [this](const std::string&, bool* readable) {
            *readable = archiveReadable;
            return archiveMark;
        };
        context.nowUtcMs = [this] { return now; };
        context.stop = [] { return false; };
        return context;
    }
};

TEST(CompletenessReader, ACatchUpStartsFromTheMarkAndAFailedOneGoesOnNextCycle) {
    ReaderWorld world;
    world.service.quakes = Spread(3000, kT0, 20 * kHour);
    world.now = kT0 + 22 * kHour;
    SourceReader reader(kUrl);
    EXPECT_EQ(reader.Source(), "h");

    // No mark: a day back. One catch-up page, then a failure: complete up to that page's newest origin.
    world.service.failRequest = 2;
    SourceRead first = reader.Read(world.Context());
    EXPECT_TRUE(first.catchingUp);
    EXPECT_EQ(first.catchUpProblem, "HTTP 500");
    ASSERT_TRUE(first.mark);
    EXPECT_EQ(first.mark->completeUtcMs, world.service.quakes[999].originUtcMs);
    EXPECT_EQ(first.events.size(), 50u + 1000u);

    // The next cycle goes on from that mark (less an hour), though the page itself follows on from nothing new.
    world.archiveMark = first.mark->completeUtcMs;
    world.urls.clear();
    const SourceRead second = reader.Read(world.Context());
    EXPECT_FALSE(second.catchingUp);
    ASSERT_GE(world.urls.size(), 2u);
    EXPECT_NE(world.urls[1].find("starttime=2024-01-01T"), std::string::npos) << world.urls[1];
    ASSERT_TRUE(second.mark);
    EXPECT_EQ(second.mark->completeUtcMs, world.service.quakes.back().originUtcMs + 1);

    // Caught up: a page reaching back to the mark is all there is to read.
    world.archiveMark = second.mark->completeUtcMs;
    world.urls.clear();
    const SourceRead third = reader.Read(world.Context());
    EXPECT_EQ(world.urls.size(), 1u);
    EXPECT_EQ(third.events.size(), 50u);
    ASSERT_TRUE(third.mark);

    // An archive that cannot be read now: the page is listed, no catch-up, no mark.
    world.archiveMark.reset();
    world.archiveReadable = false;
    world.urls.clear();
    const SourceRead locked = reader.Read(world.Context());
    EXPECT_EQ(world.urls.size(), 1u);
    EXPECT_FALSE(locked.mark);
    EXPECT_EQ(locked.events.size(), 50u);

    // An error answer is no news, whatever its body holds.
    world.pollStatus = 503;
    const SourceRead error = reader.Read(world.Context());
    EXPECT_EQ(error.problem, "HTTP 503");
    EXPECT_TRUE(error.events.empty());
}

// A service whose every catch-up page is a full one of new quakes: read a part a round, each part going on
// exactly where the last stopped, and given up for the run after its bound.
TEST(CompletenessReader, AServiceThatNeverRunsOutIsReadInPartsAndThenStopped) {
    int made = 0;
    bool pageShows = false;
    std::vector<std::string> urls;
    SourceReadContext context;
    context.fetch = [&](const std::string& url) {
        urls.push_back(url);
        FetchResult page{200, "", true};
        if (url.find("starttime") == std::string::npos) {
            if (pageShows) {
                page.body = "h:poll " + std::to_string(kT0 + kDay - kHour) + "\n";
            }
        } else {
            const std::int64_t start = ReadFdsnTime(Query(url, "starttime"));
            for (int i = 0; i < 1000; ++i) {
                page.body += "h:e" + std::to_string(made++) + " " + std::to_string(start + 1 + i) + "\n";
            }
        }
        return page;
    };
    context.parse = ReadLines;
    context.archiveMark = [](const std::string&, bool* readable) {
        *readable = true;
        return std::optional<std::int64_t>();
    };
    context.nowUtcMs = [] { return kT0 + kDay; };
    context.stop = [] { return false; };
    SourceReader reader(kUrl);
    std::size_t rounds = 0, total = 0;
    std::string lastStart;
    SourceRead read;
    do {
        urls.clear();
        read = reader.Read(context);
        ++rounds;
        total += read.events.size();
        ASSERT_LE(read.events.size(), kCatchUpRoundReports) << rounds;
        ASSERT_GE(urls.size(), 2u);
        // Each part from where the one before stopped, not an hour before it.
        EXPECT_NE(Query(urls[1], "starttime"), lastStart) << rounds;
        lastStart = Query(urls[1], "starttime");
    } while (read.more && rounds < 100);
    EXPECT_EQ(rounds, kCatchUpMaxReports / kCatchUpRoundReports);
    EXPECT_EQ(total, kCatchUpMaxReports);
    EXPECT_TRUE(read.gaveUp);
    EXPECT_FALSE(read.catchingUp);
    // For the rest of the run only its page is read, and a page that does not reach back to the mark moves it
    // no further.
    urls.clear();
    pageShows = true;
    const SourceRead after = reader.Read(context);
    EXPECT_EQ(urls.size(), 1u);
    EXPECT_TRUE(after.gaveUp);
    EXPECT_FALSE(after.mark);
}

class NoSound final : public ISound {
public:
    void PlaySound(const std::string&) override {}
};

// A list that only takes what it is given.
struct NoList final : IQuakeListView {
    void BeginUpdate() override {}
    void InsertEvent(int, const QuakeEvent&, int) override {}
    void SelectItem(int) override {}
    void ShowSelectionOnMap() override {}
    void EndUpdate() override {}
};

// The round's reports reach the backlog oldest first, each carrying how far its source is complete once it is
// written; a round cut short by a stop claims nothing.
TEST(CompletenessRound, ReportsGoToTheArchiveOldestFirstWithTheirMarks) {
    NoList list;
    QuakeRegistry quakes;
    UnstoredEvents unstored;
    std::atomic<bool> busy{false}, news{false}, filled{false}, stop{false};
    NoSound sound;
    std::vector<QuakeEvent> written;
    QuakeListUpdate::Hooks hooks;
    std::size_t failAfter = 0;  // chunks written before the archive fails; 0: never
    hooks.store = [&](const std::vector<QuakeEvent>& events) {
        if (failAfter != 0 && written.size() >= failAfter) {
            return ArchiveWriteResult{ArchiveFault::kLocked, "", 0};
        }
        written.insert(written.end(), events.begin(), events.end());
        return ArchiveWriteResult{};
    };
    hooks.stop = &stop;
    hooks.nowUtcMs = [] { return kT0 + 2 * kDay; };
    const auto round = [&](std::vector<QuakeEvent> events, std::int64_t complete) {
        QuakeListUpdate update(list, quakes, unstored, FeedFlags{busy, news, filled}, sound, hooks);
        update.RunRound([&] { return RoundReports{events, {SourceMark{"h", complete}}}; });
    };
    // The page newest first, then the catch-up newest first, as a source reads them.
    std::vector<QuakeEvent> events = Spread(2500, kT0, kDay);
    std::reverse(events.begin(), events.end());
    failAfter = QuakeListUpdate::kWriteChunk;
    round(events, kT0 + kDay);
    ASSERT_EQ(written.size(), QuakeListUpdate::kWriteChunk);
    EXPECT_TRUE(std::is_sorted(written.begin(), written.end(),
                               [](const QuakeEvent& a, const QuakeEvent& b) { return a.originUtcMs < b.originUtcMs; }));
    // The first chunk claims no more than what it holds.
    EXPECT_EQ(written.back().completeSource, "h");
    EXPECT_EQ(written.back().completeUtcMs, written.back().originUtcMs);
    EXPECT_EQ(unstored.PendingMark("h"), kT0 + kDay);
    failAfter = 0;
    round({}, 0);
    ASSERT_EQ(written.size(), 2500u + 1 + 1);  // the reports, the round's mark, the empty round's
    EXPECT_TRUE(written[2500].markOnly);
    EXPECT_EQ(written[2500].completeUtcMs, kT0 + kDay);

    // Dropped reports hold the mark back until the source is read again from there and all is written.
    unstored.NoteDropped("h", kT0 + 3 * kDay);
    written.clear();
    round({Quake("h:new", kT0 + 4 * kDay - kHour)}, kT0 + 4 * kDay);
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.back().completeUtcMs, kT0 + 3 * kDay);
    unstored.ReadAgain("h");
    written.clear();
    round({Quake("h:again", kT0 + 3 * kDay)}, kT0 + 4 * kDay);
    EXPECT_EQ(written.back().completeUtcMs, kT0 + 3 * kDay);  // still capped: written with the hole open
    EXPECT_FALSE(unstored.Hole("h"));
    written.clear();
    round({}, kT0 + 4 * kDay);
    EXPECT_EQ(written.back().completeUtcMs, kT0 + 4 * kDay);

    // A stop during the round: whatever was seen is kept, no mark.
    stop = true;
    written.clear();
    round(Spread(10, kT0 + 5 * kDay, kHour, "h:late"), kT0 + 6 * kDay);
    EXPECT_EQ(unstored.PendingMark("h"), std::nullopt);
}

// A bound of the registry is kept between rounds only: a quake a round holds is never freed under it (under
// AddressSanitizer the old rule read a freed quake here).
TEST(CompletenessRound, TheRegistryBoundNeverFreesAQuakeARoundHolds) {
    NoList list;
    QuakeRegistry quakes(MergeLimits{}, QuakeRegistry::kMinQuakes);
    UnstoredEvents unstored;
    std::atomic<bool> busy{false}, news{false}, filled{false};
    NoSound sound;
    QuakeListUpdate::Hooks hooks;
    hooks.nowUtcMs = [] { return kT0 + kHour; };
    int alerts = 0;
    hooks.alertRule = [&](const QuakeEvent&) {
        ++alerts;
        return EventAlert{};
    };
    // The registry full of archived quakes; the first registered, not listed, comes again in a round of many.
    for (const QuakeEvent& q : Spread(static_cast<int>(QuakeRegistry::kMinQuakes), kT0, kHour, "h:old")) {
        quakes.AddArchived(q, {q.eventId}, false);
    }
    std::vector<QuakeEvent> events = {Quake("h:old100000", kT0, 38.0, 20.0, 5.0)};
    for (const QuakeEvent& q : Spread(300, kT0 + kSecond, kHour / 2, "h:new")) {
        events.push_back(q);
    }
    QuakeListUpdate update(list, quakes, unstored, FeedFlags{busy, news, filled}, sound, hooks);
    update.Run([&] { return events; });
    EXPECT_EQ(alerts, 301);
    EXPECT_EQ(quakes.Size(), QuakeRegistry::kMinQuakes);
}

TEST(CompletenessMerge, TheBestCandidateWinsAndABetterReportTakesAnEarlierOnesPlace) {
    QuakeRegistry quakes;
    // Agency A's main shock; agency B newest first: an aftershock 31 s and 25 km later, then the main shock.
    EXPECT_EQ(quakes.Resolve(Quake("a:main", kT0, 38.0, 20.0, 5.0)).kind, ReportKind::kNew);
    EXPECT_EQ(quakes.Resolve(Quake("b:aft", kT0 + 31 * kSecond, 38.225, 20.0, 4.2)).kind, ReportKind::kOtherAgency);
    const ReportMatch main = quakes.Resolve(Quake("b:main", kT0 + kSecond, 38.01, 20.0, 5.1));
    EXPECT_EQ(main.kind, ReportKind::kOtherAgency);
    EXPECT_EQ(main.quake->Id(), "a:main");
    ASSERT_NE(main.detached, nullptr);
    EXPECT_EQ(main.detached->Id(), "b:aft");
    EXPECT_EQ(quakes.Find("b:aft"), main.detached);
    EXPECT_EQ(quakes.Find("b:main")->Id(), "a:main");
    EXPECT_EQ(quakes.Size(), 2u);
    // A third report of B near both fits neither better than what they have: a quake of its own.
    EXPECT_EQ(quakes.Resolve(Quake("b:third", kT0 + 20 * kSecond, 38.1, 20.0, 4.6)).kind, ReportKind::kNew);

    // Of two quakes of A within the limits, B's report goes to the nearer one, not the first found.
    QuakeRegistry two;
    two.Resolve(Quake("a:1", kT0, 38.0, 20.0, 4.0));
    two.Resolve(Quake("a:2", kT0 + 40 * kSecond, 38.3, 20.0, 4.4));
    EXPECT_EQ(two.Resolve(Quake("b:2", kT0 + 39 * kSecond, 38.3, 20.0, 4.4)).quake->Id(), "a:2");
}

TEST(CompletenessMerge, OlderNewsLeavesAQuakeAsItIs) {
    QuakeRegistry quakes;
    QuakeEvent created = Quake("emsc:1", kT0, 38.0, 20.0, 4.0);
    created.updatedUtcMs = kT0 + 60 * kSecond;
    QuakeEvent updated = created;
    updated.magnitude = 4.5;
    updated.mag = "4.5";
    updated.updatedUtcMs = kT0 + 120 * kSecond;
    quakes.Resolve(created);
    EXPECT_EQ(quakes.Resolve(updated).kind, ReportKind::kRevision);
    EXPECT_EQ(quakes.Resolve(created).kind, ReportKind::kRepeat);  // a lagging poll after the push
    EXPECT_EQ(quakes.Find("emsc:1")->values.mag, "4.5");
    QuakeEvent unsaid = created;
    unsaid.updatedUtcMs = 0;
    unsaid.mag = "4.6";
    // A copy that does not say when it changed never reverts values that did.
    EXPECT_EQ(quakes.Resolve(unsaid).kind, ReportKind::kRepeat);
    EXPECT_EQ(quakes.Find("emsc:1")->values.mag, "4.5");
    EXPECT_EQ(quakes.Find("emsc:1")->values.updatedUtcMs, kT0 + 120 * kSecond);
}

// Listed while the archive could not be read, another agency's report of an archived quake is that quake.
TEST(CompletenessMerge, AQuakeOfThisRunFoldsIntoTheArchivedOneReadLater) {
    QuakeRegistry quakes;
    UnstoredEvents unstored;
    KnownQuake& copy = *quakes.Resolve(Quake("b:copy", kT0 + 20 * kSecond, 38.2, 20.0, 4.2)).quake;
    unstored.Add(copy.values, copy, false);
    const KnownQuake* fold = quakes.AddArchived(Quake("a:q", kT0, 38.0, 20.0, 4.0), {"a:q"}, true);
    ASSERT_EQ(fold, &copy);
    unstored.Retarget(fold->Id(), "a:q");
    EXPECT_EQ(unstored.Take(10, false).events.front().quakeId, "a:q");
    EXPECT_EQ(quakes.Find("a:q"), &copy);
    // Two archived quakes close together stay two.
    EXPECT_EQ(quakes.AddArchived(Quake("c:1", kT0 + kSecond, 38.0, 20.0, 4.0), {"c:1"}, true), nullptr);
    EXPECT_EQ(quakes.AddArchived(Quake("d:1", kT0 + 2 * kSecond, 38.0, 20.0, 4.0), {"d:1"}, true), nullptr);
    EXPECT_NE(quakes.Find("c:1"), quakes.Find("d:1"));
}

// The classic time of an instant is one function of the instant and the zone, whatever converted before.
TEST(CompletenessClock, ClassicTimesAroundClockChangesDoNotDependOnEarlierConversions) {
    const test::ScopedTz tz("Europe/Warsaw");
    struct Reading {
        int month, day, hour, minute;
    };
    // Readings the clock skips (31 March 2024, 02:00-03:00) and repeats (27 October 2024, 02:00-03:00).
    for (const Reading r : {Reading{3, 31, 2, 30}, Reading{10, 27, 2, 30}}) {
        std::string after[2][2];
        for (int before = 0; before < 2; ++before) {
            std::string d1, d2;
            // A conversion in January, or one in July, first.
            ASSERT_TRUE(LocalTimePlusOneHour(2024, before == 0 ? 1 : 7, 15, 12, 0, 0, &d1, &d2));
            ASSERT_TRUE(
                LocalTimePlusOneHour(2024, r.month, r.day, r.hour, r.minute, 0, &after[before][0], &after[before][1]));
        }
        EXPECT_EQ(after[0][1], after[1][1]) << r.month;
        EXPECT_EQ(after[0][0], after[1][0]) << r.month;
        std::tm reading{};
        reading.tm_year = 124;
        reading.tm_mon = r.month - 1;
        reading.tm_mday = r.day;
        reading.tm_hour = r.hour;
        reading.tm_min = r.minute;
        std::time_t instant = 0;
        ASSERT_TRUE(LocalReadingToInstant(reading, &instant));
        std::tm utc{};
        gmtime_r(&instant, &utc);
        // Skipped: read with winter's offset (01:30 UTC); repeated: its first showing, summer's (00:30 UTC).
        EXPECT_EQ(utc.tm_hour, r.month == 3 ? 1 : 0) << r.month;
    }
}

}  // namespace
}  // namespace dravik
