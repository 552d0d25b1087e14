// The completeness mark moves only over what was written and could be checked: reports the round refuses, a
// clock that is off, a service that ignores the window, two addresses of one agency, a catch-up given up or
// waiting for the archive, and reports dropped before they were written.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/catch_up.h"
#include "catalogue/quake_list_update.h"
#include "catalogue/quake_registry.h"
#include "catalogue/source_mark.h"
#include "catalogue/source_reader.h"
#include "platform/sound.h"

namespace dravik {
namespace {

constexpr std::int64_t kT0 = 1704110400000;  // 2024-01-01 12:00 UTC
constexpr std::int64_t kMinute = 60 * 1000;
constexpr std::int64_t kHour = 60 * kMinute;
constexpr std::int64_t kDay = 24 * kHour;
const char* const kUrl = "http://h/fdsnws/event/1/query?format=text&limit=50";

QuakeEvent Quake(const std::string& id, std::int64_t origin) {
    QuakeEvent e;
    e.eventId = id;
    e.region = id;
    e.hasNumbers = true;
    e.originUtcMs = origin;
    e.latitude = 38.0;
    e.longitude = 20.0;
    e.magnitude = 4.0;
    e.mag = "4.0";
    return e;
}

std::string Param(const std::string& url, const std::string& name) {
    for (const char lead : {'?', '&'}) {
        const std::size_t at = url.find(lead + name + "=");
        if (at != std::string::npos) {
            const std::size_t from = at + name.size() + 2;
            return url.substr(from, url.find('&', from) - from);
        }
    }
    return {};
}

std::int64_t FdsnMs(const std::string& text) {
    std::tm tm{};
    int millis = 0;
    std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d.%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour, &tm.tm_min,
                &tm.tm_sec, &millis);
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    return static_cast<std::int64_t>(::timegm(&tm)) * 1000 + millis;
}

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

std::string Body(const std::vector<QuakeEvent>& quakes) {
    std::string body;
    for (const QuakeEvent& q : quakes) {
        body += q.eventId + " " + std::to_string(q.originUtcMs) + "\n";
    }
    return body;
}

// A source over `quakes` (oldest first) and an archive holding marks, as the reader sees them.
struct World {
    std::vector<QuakeEvent> quakes;
    std::int64_t now = kT0;            // the sources' clock
    std::int64_t computerAhead = 0;    // how far the computer's clock is ahead of theirs
    bool ignoresWindow = false;        // every answer the newest 50, whatever was asked
    std::optional<std::int64_t> mark;  // the address's own
    std::optional<std::int64_t> agencyMark;
    std::optional<std::int64_t> hole;
    std::size_t drops = 0;
    bool room = true;
    std::vector<std::string> urls;

    FetchResult Answer(const std::string& url) {
        urls.push_back(url);
        std::vector<QuakeEvent> answer;
        const bool window = !ignoresWindow && url.find("starttime") != std::string::npos;
        for (const QuakeEvent& q : quakes) {
            const std::string start = Param(url, "starttime"), end = Param(url, "endtime");
            if (!window ||
                ((start.empty() || q.originUtcMs >= FdsnMs(start)) && (end.empty() || q.originUtcMs <= FdsnMs(end)))) {
                answer.push_back(q);
            }
        }
        if (window) {
            answer.resize(std::min<std::size_t>(answer.size(), std::stoul(Param(url, "limit"))));
        } else {
            std::reverse(answer.begin(), answer.end());
            answer.resize(std::min<std::size_t>(answer.size(), 50));
        }
        FetchResult page{answer.empty() ? 204 : 200, Body(answer), true};
        page.dateUtcMs = now;
        return page;
    }

    SourceReadContext Context() {
        SourceReadContext c;
        c.fetch = [this](const std::string& url) { return Answer(url); };
        c.parse = ReadLines;
        c.archiveMark = [this](const std::string& key, bool* readable) {
            *readable = true;
            return key == MarkAgency(key) ? agencyMark : mark;
        };
        c.hole = [this](const std::string&) { return hole; };
        c.holeDrops = [this](const std::string&) { return drops; };
        c.backlogRoom = [this] { return room; };
        c.nowUtcMs = [this] { return now + computerAhead; };
        c.stop = [] { return false; };
        return c;
    }
};

std::vector<QuakeEvent> Spread(int count, std::int64_t from, std::int64_t span, const std::string& tag) {
    std::vector<QuakeEvent> quakes;
    for (int i = 0; i < count; ++i) {
        quakes.push_back(Quake("h:" + tag + std::to_string(1000 + i), from + span * i / count));
    }
    return quakes;
}

// The mark's arithmetic: where one read leaves it, case by case.
TEST(Mark, MovesOnlyOverWhatTheRoundTakesAndTheClockAllows) {
    struct Row {
        const char* name;
        std::vector<QuakeEvent> extra;  // beside 200 quakes of the last 10 hours
        std::int64_t computerAhead;
        std::optional<std::int64_t> mark;  // the address's, relative to now
        std::optional<std::int64_t> agencyMark;
        bool ignoresWindow;
        std::optional<std::int64_t> expected;  // relative to now; nothing: no mark
    };
    const std::int64_t newest = -10 * kHour + 199 * 10 * kHour / 200;
    const std::vector<Row> rows = {
        {"caught up, the page reaches back", {}, 0, -5 * kHour, {}, false, newest + 1},
        // Asked open-ended, the service answered everything up to 2099: complete up to the clock, not beyond.
        {"one report dated 2099", {Quake("h:2099", 4102444800000 - kT0)}, 0, -5 * kHour, {}, false, 0},
        {"one report 6 h ahead", {Quake("h:ahead", 6 * kHour)}, 0, -5 * kHour, {}, false, 0},
        {"computer 3 days fast, no mark", {}, 3 * kDay, {}, {}, false, newest + 1},
        {"the agency's mark carries over", {}, 0, {}, -11 * kHour, false, newest + 1},
        {"the agency's mark ahead of the clock", {}, 0, {}, 2 * kDay, false, newest + 1},
        {"a service that ignores the window", {}, 0, -20 * kHour, {}, true, std::nullopt},
    };
    for (const Row& row : rows) {
        World world;
        world.now = kT0;
        world.quakes = Spread(200, kT0 - 10 * kHour, 10 * kHour, "q");
        for (QuakeEvent q : row.extra) {
            q.originUtcMs += kT0;
            world.quakes.push_back(q);
        }
        world.computerAhead = row.computerAhead;
        world.ignoresWindow = row.ignoresWindow;
        if (row.mark) {
            world.mark = kT0 + *row.mark;
        }
        if (row.agencyMark) {
            world.agencyMark = kT0 + *row.agencyMark;
        }
        SourceReader reader(kUrl);
        const SourceRead read = reader.Read(world.Context());
        ASSERT_EQ(read.mark.has_value(), row.expected.has_value()) << row.name;
        if (read.mark) {
            EXPECT_EQ(read.mark->completeUtcMs - kT0, *row.expected) << row.name;
            EXPECT_EQ(read.mark->source, reader.MarkKey()) << row.name;
        }
        // Every request by the sources' clock: never from the future.
        for (const std::string& url : world.urls) {
            const std::string start = Param(url, "starttime");
            EXPECT_TRUE(start.empty() || FdsnMs(start) <= kT0) << row.name << ": " << url;
        }
    }
}

TEST(Mark, AServiceThatIgnoresTheWindowIsSaidOnceAndNotWalkedAgain) {
    World world;
    world.quakes = Spread(3000, kT0 - 20 * kHour, 20 * kHour, "q");
    world.ignoresWindow = true;
    world.mark = kT0 - 20 * kHour;
    SourceReader reader(kUrl);
    const SourceRead first = reader.Read(world.Context());
    EXPECT_FALSE(first.mark);
    EXPECT_FALSE(first.catchingUp);
    EXPECT_LE(world.urls.size(), 3u);
    // From then on only its page proves anything: a page that reaches back to the mark moves it.
    world.mark = kT0 - 10 * kMinute;
    world.urls.clear();
    const SourceRead later = reader.Read(world.Context());
    EXPECT_EQ(world.urls.size(), 1u);
    ASSERT_TRUE(later.mark);
    EXPECT_EQ(later.mark->completeUtcMs, world.quakes.back().originUtcMs + 1);
}

TEST(Mark, EachAddressOfAnAgencyHasItsOwn) {
    EXPECT_EQ(SourceMarkKey("http://H:8080/fdsnws/event/1/query?limit=50&minmag=4&format=text&starttime=x"),
              "h h:8080/fdsnws/event/1/query?minmag=4");
    EXPECT_EQ(SourceMarkKey("https://h:8080/fdsnws/event/1/query?minmag=4&orderby=time"),
              "h h:8080/fdsnws/event/1/query?minmag=4");
    EXPECT_NE(SourceMarkKey("http://h/fdsnws/event/1/query"), SourceMarkKey("http://h/fdsnws/event/1/query?minmag=4"));
    EXPECT_EQ(MarkAgency(SourceMarkKey("http://h/fdsnws/event/1/query")), "h");
    EXPECT_EQ(MarkAgency("emsc"), "emsc");
}

class NoSound final : public ISound {
public:
    void PlaySound(const std::string&) override {}
};

struct NoList final : IQuakeListView {
    void BeginUpdate() override {}
    void InsertEvent(int, const QuakeEvent&, int) override {}
    void SelectItem(int) override {}
    void ShowSelectionOnMap() override {}
    void EndUpdate() override {}
};

// A round against a backlog, its writes recorded (or refused while the archive is locked).
struct Round {
    NoList list;
    QuakeRegistry quakes;
    UnstoredEvents unstored;
    std::atomic<bool> busy{false}, news{false}, filled{false};
    NoSound sound;
    bool locked = false;
    std::vector<QuakeEvent> written;

    void Run(RoundReports reports, std::int64_t now = kT0) {
        QuakeListUpdate::Hooks hooks;
        hooks.store = [this](const std::vector<QuakeEvent>& events) {
            if (locked) {
                return ArchiveWriteResult{ArchiveFault::kLocked, "", 0};
            }
            written.insert(written.end(), events.begin(), events.end());
            return ArchiveWriteResult{};
        };
        hooks.nowUtcMs = [now] { return now; };
        QuakeListUpdate update(list, quakes, unstored, FeedFlags{busy, news, filled}, sound, hooks);
        update.RunRound([&] { return reports; });
    }
    std::optional<std::int64_t> WrittenMark(const std::string& key) const {
        std::optional<std::int64_t> mark;
        for (const QuakeEvent& e : written) {
            if (e.completeSource == key) {
                mark = std::max(mark.value_or(e.completeUtcMs), e.completeUtcMs);
            }
        }
        return mark;
    }
};

// Address A (all magnitudes) failed; address B (M 4+) read: only B's mark moves, and only with B's reports.
TEST(Mark, TwoAddressesOfOneAgencyMoveTheirOwnMarks) {
    Round round;
    const std::string a = SourceMarkKey("http://h/fdsnws/event/1/query");
    const std::string b = SourceMarkKey("http://h/fdsnws/event/1/query?minmag=4");
    RoundReports reports;
    reports.events = {Quake("h:b1", kT0 - 2 * kHour), Quake("h:b2", kT0 - kHour)};
    reports.marks = {SourceMark{b, kT0 - kHour + 1, 0, 2}};
    round.Run(reports);
    EXPECT_EQ(round.WrittenMark(b), kT0 - kHour + 1);
    EXPECT_EQ(round.WrittenMark(a), std::nullopt);
    EXPECT_EQ(round.WrittenMark("h"), std::nullopt);
}

// A report the backlog dropped unwritten is written when read again, though the registry knows it.
TEST(Mark, ADroppedReportIsQueuedAgainWhenReadAgain) {
    Round round;
    round.locked = true;
    std::vector<QuakeEvent> all =
        Spread(static_cast<int>(UnstoredEvents::kMaxUnstored) + 10, kT0 - 5 * kDay, 4 * kDay, "d");
    round.Run(RoundReports{all, {}});
    ASSERT_TRUE(round.unstored.Hole("h"));
    EXPECT_EQ(*round.unstored.Hole("h"), all.front().originUtcMs);
    EXPECT_EQ(round.unstored.Drops("h"), 10u);
    round.locked = false;
    round.Run(RoundReports{});
    // Read again from the hole: the ten dropped are written, the rest are repeats.
    round.written.clear();
    round.Run(RoundReports{std::vector<QuakeEvent>(all.begin(), all.begin() + 20), {}});
    ASSERT_EQ(round.written.size(), 10u);
    EXPECT_EQ(round.written.front().eventId, all.front().eventId);
    round.written.clear();
    round.Run(RoundReports{std::vector<QuakeEvent>(all.begin(), all.begin() + 20), {}});
    EXPECT_TRUE(round.written.empty());
}

// Update times: one in the future is capped at the clock, a copy without one never reverts values that had one.
TEST(Mark, UpdateTimesAreCappedAndACopyWithoutOneRevertsNothing) {
    Round round;
    QuakeEvent pushed = Quake("h:u", kT0 - kHour);
    pushed.mag = "4.5";
    pushed.updatedUtcMs = kT0 - 30 * kMinute;
    QuakeEvent copy = Quake("h:u", kT0 - kHour);  // M 4.0, no update time
    round.Run(RoundReports{{pushed}, {}});
    round.Run(RoundReports{{copy}, {}});
    ASSERT_NE(round.quakes.Find("h:u"), nullptr);
    EXPECT_EQ(round.quakes.Find("h:u")->values.mag, "4.5");

    QuakeEvent future = pushed;
    future.mag = "4.7";
    future.updatedUtcMs = kT0 + 365 * kDay;
    QuakeEvent later = pushed;
    later.mag = "4.9";
    later.updatedUtcMs = kT0 + kMinute;
    round.Run(RoundReports{{future}, {}});
    round.Run(RoundReports{{later}, {}}, kT0 + 2 * kMinute);
    EXPECT_EQ(round.quakes.Find("h:u")->values.mag, "4.9");
}

// The catch-up waits while the backlog cannot take a round; a read of the hole goes on where it stopped unless
// more were dropped meanwhile.
TEST(Mark, TheCatchUpWaitsForRoomAndTheHolesReadResumes) {
    World world;
    world.quakes = Spread(25000, kT0 - 20 * kHour, 20 * kHour, "q");
    world.mark = kT0 - 20 * kHour;
    world.room = false;
    SourceReader reader(kUrl);
    SourceRead read = reader.Read(world.Context());
    EXPECT_TRUE(read.catchingUp);
    EXPECT_EQ(world.urls.size(), 1u);
    world.room = true;
    world.hole = kT0 - 19 * kHour;
    world.drops = 3;
    world.urls.clear();
    read = reader.Read(world.Context());
    ASSERT_TRUE(read.more);
    const std::string firstStart = Param(world.urls[1], "starttime");
    world.urls.clear();
    read = reader.Read(world.Context());
    EXPECT_GT(FdsnMs(Param(world.urls[1], "starttime")), FdsnMs(firstStart)) << "resumed";
    world.drops = 4;
    world.urls.clear();
    read = reader.Read(world.Context());
    // Started over from the hole (less the hour for late reports) after a new drop.
    EXPECT_EQ(FdsnMs(Param(world.urls[1], "starttime")), kT0 - 20 * kHour);
    EXPECT_LT(FdsnMs(firstStart), kT0 - 20 * kHour);
}

// After a restart the archive gives back the other agencies' reports taken for a quake: a better report of one of
// them takes its earlier one's place, which becomes a quake of its own with its own values.
TEST(Identity, AReportTakenForAQuakeBeforeARestartCanStillBeReplaced) {
    QuakeRegistry quakes;
    QuakeEvent main = Quake("a:main", kT0);
    main.magnitude = 5.0;
    QuakeEvent aftershock = Quake("b:after", kT0 + 31000);
    aftershock.latitude = 38.225;
    aftershock.magnitude = 4.2;
    aftershock.region = "5 km N";
    quakes.AddArchived(main, {"a:main", "b:after"}, true, {aftershock});
    QuakeEvent better = Quake("b:main", kT0 + 1000);
    better.latitude = 38.01;
    better.magnitude = 5.1;
    const ReportMatch match = quakes.Resolve(better);
    EXPECT_EQ(match.kind, ReportKind::kOtherAgency);
    EXPECT_EQ(match.quake->Id(), "a:main");
    ASSERT_NE(match.detached, nullptr);
    EXPECT_EQ(match.detached->Id(), "b:after");
    EXPECT_EQ(match.detached->values.region, "5 km N");
}

}  // namespace
}  // namespace dravik
