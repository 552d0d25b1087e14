#include "catalogue/quake_list_update.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound.h"
#include "tests/common/quake_page.h"

namespace dravik {
namespace {

using test::QuakePageHtml;
using test::QuakeRow;

// The list as the update leaves it: regions top to bottom.
class RecordingList final : public IQuakeListView {
public:
    void BeginUpdate() override {}
    void InsertEvent(int index, const QuakeEvent& e, int) override {
        regions.insert(regions.begin() + (index == kAppendItem ? static_cast<int>(regions.size()) : index), e.region);
    }
    void SelectItem(int) override {}
    void ShowSelectionOnMap() override {}
    void EndUpdate() override {}

    std::vector<std::string> regions;
};

class SilentSound final : public ISound {
public:
    void PlaySound(const std::string&) override { ++plays; }
    int plays = 0;
};

class QuakeListUpdateTest : public ::testing::Test {
protected:
    QuakeListUpdate Update() {
        QuakeListUpdate::Hooks hooks;
        hooks.store = [this](const std::vector<QuakeEvent>& events) {
            if (m_holdStore) {
                m_holdStore();
            }
            std::lock_guard<std::mutex> lock(m_recordMutex);
            ++writes;
            chunks.push_back(events.size());
            if (archiveFault != ArchiveFault::kNone) {
                return ArchiveWriteResult{archiveFault, "", 0};
            }
            for (const QuakeEvent& e : events) {
                archived.push_back(e.region);
            }
            return ArchiveWriteResult{};
        };
        hooks.archiveReport = [this](const ArchiveWriteResult& r) {
            std::lock_guard<std::mutex> lock(m_recordMutex);
            reports.push_back(r.fault);
        };
        hooks.stop = &stop;
        if (twoThreads) {
            hooks.listMutex = &listMutex;
            hooks.storeMutex = &storeMutex;
        }
        return QuakeListUpdate(list, quakes, unstored, FeedFlags{feedBusy, newEvent, firstFillDone}, sound,
                               std::move(hooks));
    }
    // One cycle over `page`.
    void Cycle(const std::string& page) {
        Update().Run([&] { return ParseQuakePage(page); });
    }
    // The page's events pushed.
    void Push(const std::string& page) { Update().RunEvents(ParseQuakePage(page)); }

    RecordingList list;
    QuakeRegistry quakes;
    UnstoredEvents unstored;
    std::atomic<bool> stop{false};
    ArchiveFault archiveFault = ArchiveFault::kNone;
    std::vector<std::string> archived;
    std::vector<ArchiveFault> reports;
    int writes = 0;
    std::vector<std::size_t> chunks;
    // Polls and pushes on threads of their own, as in the program.
    bool twoThreads = false;
    std::function<void()> m_holdStore;
    std::mutex m_recordMutex;
    std::mutex listMutex, storeMutex;
    std::vector<std::string> listedRounds;
    std::atomic<bool> feedBusy{false}, newEvent{false}, firstFillDone{false};
    SilentSound sound;
};

TEST_F(QuakeListUpdateTest, SeenTestUsesTheLeadingNumberOfTheId) {
    // A row standing twice, and ids that differ as texts but not as numbers, are one event each.
    QuakeRow twice{"512345"}, padded{"012345"}, shortId{"12345"}, other{"700000"};
    twice.region = "TWICE";
    padded.region = "PADDED";
    shortId.region = "SHORT";
    other.region = "OTHER";
    Cycle(QuakePageHtml({twice, padded, twice, shortId, other}));

    EXPECT_EQ(list.regions, (std::vector<std::string>{"TWICE", "PADDED", "OTHER"}));
    EXPECT_EQ(quakes.Size(), 3U);
    ASSERT_NE(quakes.Find("0012345\""), nullptr);
    EXPECT_EQ(quakes.Find("0012345\"")->Id(), "12345");
}

QuakeRow Row(const std::string& id, const std::string& region) {
    QuakeRow row{id};
    row.region = region;
    return row;
}

// The archive failing for two rounds: the events are listed once, written when it works again (also those
// no longer on the page), and each change of the archive's state is reported.
TEST_F(QuakeListUpdateTest, EventsListedWhileTheArchiveFailsAreWrittenWhenItWorksAgain) {
    archiveFault = ArchiveFault::kDiskFull;
    Cycle(QuakePageHtml({Row("100001", "A"), Row("100002", "B")}));
    Cycle(QuakePageHtml({Row("100003", "C"), Row("100002", "B")}));
    EXPECT_EQ(list.regions, (std::vector<std::string>{"C", "A", "B"}));
    EXPECT_TRUE(archived.empty());
    EXPECT_EQ(unstored.Size(), 3U);

    archiveFault = ArchiveFault::kNone;
    Cycle(QuakePageHtml({Row("100003", "C")}));  // A and B have left the page
    EXPECT_EQ(archived, (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_TRUE(unstored.Empty());
    EXPECT_EQ(list.regions.size(), 3U);

    // Nothing new and nothing pending: no write at all.
    const int writesBefore = writes;
    Cycle(QuakePageHtml({Row("100003", "C")}));
    EXPECT_EQ(writes, writesBefore);
    EXPECT_EQ(reports,
              (std::vector<ArchiveFault>{ArchiveFault::kDiskFull, ArchiveFault::kDiskFull, ArchiveFault::kNone}));
}

// A pushed quake is written ahead of a poll's thousands and waits for one chunk of them at most; a pushed round
// writes only pushed quakes, so the next push is not held up; a pushed revision of a quake whose report still
// waits in the poll's backlog is written after that report, never before it.
TEST_F(QuakeListUpdateTest, PushedQuakesAreWrittenFirstAndEachQuakesReportsInOrder) {
    std::vector<QuakeRow> rows;
    for (int i = 0; i < 2500; ++i) {
        rows.push_back(Row(std::to_string(100000 + i), "POLL " + std::to_string(i)));
    }
    archiveFault = ArchiveFault::kLocked;
    Cycle(QuakePageHtml(rows));
    EXPECT_EQ(chunks, (std::vector<std::size_t>{QuakeListUpdate::kWriteChunk}));

    QuakeRow revised = Row("100005", "POLL 5 REVISED");
    revised.mag = "5.9";
    Push(QuakePageHtml({Row("900001", "PUSHED 1"), revised}));
    EXPECT_EQ(chunks.back(), 1U) << "only the pushed new quake: the revision waits behind its quake's report";

    archiveFault = ArchiveFault::kNone;
    Push(QuakePageHtml({Row("900002", "PUSHED 2")}));
    EXPECT_EQ(archived, (std::vector<std::string>{"PUSHED 1", "PUSHED 2"}));
    EXPECT_EQ(unstored.Size(), 2501U);

    chunks.clear();
    Cycle(QuakePageHtml({}));
    EXPECT_EQ(chunks, (std::vector<std::size_t>{1000, 1000, 501}));
    ASSERT_EQ(archived.size(), 2503U);
    EXPECT_EQ(archived[2], "POLL 0");
    EXPECT_EQ(archived.back(), "POLL 5 REVISED");
    EXPECT_TRUE(unstored.Empty());
}

// A push that comes while a poll writes a big backlog is listed and handed over at once: the poll's writer takes
// it first in its next chunk; the pushed round does not wait for the rest of the poll's writing.
TEST_F(QuakeListUpdateTest, APushDoesNotWaitForAPollsWriting) {
    twoThreads = true;
    std::vector<QuakeRow> rows;
    for (int i = 0; i < 2500; ++i) {
        rows.push_back(Row(std::to_string(100000 + i), "POLL " + std::to_string(i)));
    }
    // The archive is slow: the poll's first chunk is held until the push has had its chance.
    std::mutex gateMutex;
    std::condition_variable gate;
    bool inFirstChunk = false, released = false;
    m_holdStore = [&] {
        std::unique_lock<std::mutex> held(gateMutex);
        if (!inFirstChunk) {
            inFirstChunk = true;
            gate.notify_all();
            gate.wait(held, [&] { return released; });
        }
    };
    std::thread poll([&] { Cycle(QuakePageHtml(rows)); });
    {
        std::unique_lock<std::mutex> lock(gateMutex);
        gate.wait(lock, [&] { return inFirstChunk; });
    }
    auto pushed = std::async(std::launch::async, [&] { Push(QuakePageHtml({Row("900001", "PUSHED 1")})); });
    const bool pushReturned = pushed.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    {
        std::lock_guard<std::mutex> lock(gateMutex);
        released = true;
    }
    gate.notify_all();
    poll.join();
    pushed.wait();
    EXPECT_TRUE(pushReturned) << "the pushed round waited for the poll's writing";
    ASSERT_EQ(archived.size(), 2501U);
    EXPECT_EQ(archived[1000], "PUSHED 1") << "first in the chunk after the one in progress";
    EXPECT_TRUE(unstored.Empty());
}

// The stop flag is looked at between events: the round ends after the batch in hand, lists what it marked
// seen, and writes nothing.
TEST_F(QuakeListUpdateTest, StopEndsTheRoundBetweenEventsWithoutWriting) {
    class StoppingList final : public IQuakeListView {
    public:
        explicit StoppingList(std::atomic<bool>& stop) : m_stop(stop) {}
        void BeginUpdate() override {}
        void InsertEvent(int, const QuakeEvent&, int) override {
            ++inserted;
            m_stop = true;
        }
        void SelectItem(int) override { ++selections; }
        void ShowSelectionOnMap() override {}
        void EndUpdate() override {}
        int inserted = 0;
        int selections = 0;

    private:
        std::atomic<bool>& m_stop;
    } stopping(stop);
    QuakeListUpdate::Hooks hooks;
    hooks.store = [this](const std::vector<QuakeEvent>&) {
        ++writes;
        return ArchiveWriteResult{};
    };
    hooks.stop = &stop;
    QuakeListUpdate update(stopping, quakes, unstored, FeedFlags{feedBusy, newEvent, firstFillDone}, sound,
                           std::move(hooks));
    update.Run([] { return ParseQuakePage(QuakePageHtml(test::NumberedQuakeRows(100000, 500))); });
    EXPECT_EQ(stopping.inserted, static_cast<int>(QuakeListUpdate::kListBatch));
    EXPECT_EQ(quakes.Size(), QuakeListUpdate::kListBatch);
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(stopping.selections, 0);
    EXPECT_FALSE(feedBusy.load());
}

// Ids qualified by their source are one event only when equal as a whole; pushed events take the same road.
TEST_F(QuakeListUpdateTest, QualifiedIdsCompareWholeAndPushedEventsAreListedOnce) {
    firstFillDone = true;
    QuakeListUpdate::Hooks hooks;
    hooks.store = [this](const std::vector<QuakeEvent>& events) {
        for (const QuakeEvent& e : events) {
            archived.push_back(e.region);
        }
        return ArchiveWriteResult{};
    };
    QuakeListUpdate update(list, quakes, unstored, FeedFlags{feedBusy, newEvent, firstFillDone}, sound,
                           std::move(hooks));
    QuakeEvent a, b, c;
    a.eventId = "usgs:us6000m0yf";
    a.region = "A";
    b.eventId = "usgs:us6000m0yg";
    b.region = "B";
    c.eventId = "gfz:2024abmz";
    c.region = "C";
    update.RunEvents({a, b, a});
    update.RunEvents({c, b});
    EXPECT_EQ(list.regions, (std::vector<std::string>{"C", "B", "A"}));
    EXPECT_EQ(archived, (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(sound.plays, 3);
}

// The alert rule decides blink and sound per event; the first cycle never sounds.
TEST_F(QuakeListUpdateTest, AlertRuleDecidesBlinkAndSound) {
    const auto run = [&](const std::string& page) {
        QuakeListUpdate::Hooks hooks;
        hooks.alertRule = [](const QuakeEvent& e) { return EventAlert{e.region != "QUIET", e.region == "LOUD"}; };
        hooks.listed = [this](const std::vector<AnnouncedQuake>& events, bool first) {
            listedRounds.push_back(std::to_string(events.size()) + (first ? " first" : ""));
        };
        QuakeListUpdate update(list, quakes, unstored, FeedFlags{feedBusy, newEvent, firstFillDone}, sound,
                               std::move(hooks));
        update.Run([&] { return ParseQuakePage(page); });
    };
    run(QuakePageHtml({Row("1", "LOUD")}));
    EXPECT_EQ(sound.plays, 0);
    newEvent = false;
    run(QuakePageHtml({Row("2", "QUIET")}));
    EXPECT_FALSE(newEvent.load());
    EXPECT_EQ(sound.plays, 0);
    run(QuakePageHtml({Row("3", "LOUD"), Row("4", "SILENT")}));
    EXPECT_TRUE(newEvent.load());
    EXPECT_EQ(sound.plays, 1);
    // Only quakes that alert are announced: the quiet one's round announces nothing.
    EXPECT_EQ(listedRounds, (std::vector<std::string>{"1 first", "2"}));
}

// The sequences are told a round's new quakes oldest first, before any of them is asked to alert, and a quake once.
TEST_F(QuakeListUpdateTest, ListingHookSeesNewQuakesOldestFirstBeforeTheirAlerts) {
    firstFillDone = true;
    const std::int64_t now =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    const auto quake = [&](const std::string& id, int minutesAgo) {
        QuakeEvent e;
        e.eventId = id;
        e.region = id;
        e.hasNumbers = true;
        e.originUtcMs = now - minutesAgo * 60000LL;
        e.latitude = minutesAgo * 10.0;
        e.magnitude = 5.0;
        e.mag = "5.0";
        return e;
    };
    std::vector<std::string> calls;
    const auto round = [&](const std::vector<QuakeEvent>& events) {
        QuakeListUpdate::Hooks hooks;
        hooks.listing = [&](const std::vector<QuakeEvent>& batch) {
            for (const QuakeEvent& e : batch) {
                calls.push_back("list " + e.eventId);
            }
        };
        hooks.alertRule = [&](const QuakeEvent& e) {
            calls.push_back("alert " + e.eventId);
            return EventAlert{};
        };
        QuakeListUpdate update(list, quakes, unstored, FeedFlags{feedBusy, newEvent, firstFillDone}, sound,
                               std::move(hooks));
        update.RunEvents(events);
    };
    round({quake("usgs:c", 1), quake("usgs:a", 3), quake("usgs:b", 2)});
    round({quake("usgs:b", 2), quake("usgs:d", 0)});
    EXPECT_EQ(calls, (std::vector<std::string>{"list usgs:a", "list usgs:b", "list usgs:c", "alert usgs:c",
                                               "alert usgs:a", "alert usgs:b", "list usgs:d", "alert usgs:d"}));
}

// Two sources report one quake: the second report lists nothing (in later rounds neither); another quake close
// by from the first source stays an event of its own.
TEST_F(QuakeListUpdateTest, ReportsOfAQuakeAlreadyListedFromAnotherSourceAreDropped) {
    const auto report = [](const std::string& id, const std::string& region, double lat, double mag) {
        QuakeEvent e;
        e.eventId = id;
        e.region = region;
        e.hasNumbers = true;
        // Now: the merge remembers only reports of the last few days.
        e.originUtcMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
                .count();
        e.latitude = lat;
        e.longitude = 20.0;
        e.magnitude = mag;
        return e;
    };
    const auto round = [&](const std::vector<QuakeEvent>& events) {
        QuakeListUpdate::Hooks hooks;
        hooks.store = [this](const std::vector<QuakeEvent>& stored) {
            for (const QuakeEvent& e : stored) {
                archived.push_back(e.region + (e.quakeId.empty() ? "" : " as " + e.quakeId));
            }
            return ArchiveWriteResult{};
        };
        QuakeListUpdate update(list, quakes, unstored, FeedFlags{feedBusy, newEvent, firstFillDone}, sound,
                               std::move(hooks));
        update.Run([&] { return events; });
    };
    round({report("emsc:1", "EMSC A", 38.0, 4.5), report("usgs:a", "USGS A", 38.1, 4.7),
           report("emsc:2", "EMSC B", 38.05, 4.4)});
    round({report("usgs:a", "USGS A", 38.1, 4.7), report("gfz:x", "GFZ A", 38.0, 4.6)});
    EXPECT_EQ(list.regions, (std::vector<std::string>{"EMSC A", "EMSC B"}));
    // The archive learns the other agencies' ids of the quake, so that a restart knows them too.
    EXPECT_EQ(archived, (std::vector<std::string>{"EMSC A", "USGS A as emsc:1", "EMSC B", "GFZ A as emsc:1"}));
}

TEST(LeadingNumberKeyTest, EqualWhereTheLeadingIntegerIsEqualAndLongIdsStayApart) {
    const std::vector<std::string> ids = {"012345",
                                          "12345\"",
                                          " +12345x",
                                          "0",
                                          "",
                                          "abc",
                                          "-0",
                                          "-7",
                                          "-07",
                                          "7",
                                          "20171031000000212345",
                                          "20171031000000212346",
                                          "9223372036854775807"};
    for (const std::string& a : ids) {
        for (const std::string& b : ids) {
            const bool longIds = a.size() > 18 || b.size() > 18;
            if (!longIds) {
                EXPECT_EQ(LeadingNumberKey(a) == LeadingNumberKey(b), LeadingInteger(a) == LeadingInteger(b))
                    << '"' << a << "\" \"" << b << '"';
            }
        }
    }
    // atol reads both as the largest long; as events they are two.
    EXPECT_EQ(LeadingInteger("20171031000000212345"), LeadingInteger("20171031000000212346"));
    EXPECT_NE(LeadingNumberKey("20171031000000212345"), LeadingNumberKey("20171031000000212346"));
}

TEST(MagnitudeClassTest, Boundaries) {
    const struct {
        const char* mag;
        int image;
    } cases[] = {{"3.9", 0}, {"4.0", 1}, {"5.9", 1},  {"6.0", 2},       {"6.99", 2}, {"7.0", 3}, {"8.2", 3},
                 {"", 0},    {"M4", 0},  {" 4.1", 1}, {"4.5&nbsp;", 1}, {"-5", 0},   {"nan", 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(MagnitudeClass(c.mag), c.image) << '"' << c.mag << '"';
    }
}

// The backlog's lanes keep their order and numbers while written chunks leave from the front (the block is
// compacted once the written part is at least half of it) and while a full lane drops its oldest.
TEST(UnstoredEventsTest, ChunksKeepTheirOrderAsTheBacklogShrinksAndDrops) {
    const auto event = [](int n) {
        QuakeEvent e;
        e.eventId = "emsc:" + std::to_string(n);
        return e;
    };
    const auto ids = [](const UnstoredEvents::Chunk& chunk) {
        std::vector<std::string> out;
        for (const QuakeEvent& e : chunk.events) {
            out.push_back(e.eventId);
        }
        return out;
    };
    std::vector<KnownQuake> quakes(3101);
    UnstoredEvents unstored;
    for (int n = 0; n < 3000; ++n) {
        unstored.Add(event(n), quakes[n], false);
    }
    unstored.Add(event(-1), quakes[3100], true);  // a pushed report of a quake the round lane does not hold
    std::vector<std::string> expected{"emsc:-1"};
    for (int n = 0; n < 3100; ++n) {
        expected.push_back("emsc:" + std::to_string(n));
    }
    std::vector<std::string> written;
    while (!unstored.Empty()) {
        const UnstoredEvents::Chunk chunk = unstored.Take(700, false);
        const std::vector<std::string> some = ids(chunk);
        written.insert(written.end(), some.begin(), some.end());
        unstored.Forget(chunk);
        if (written.size() == 2100) {  // past the first compaction: later reports still go to the end
            for (int n = 3000; n < 3100; ++n) {
                unstored.Add(event(n), quakes[n], false);
            }
        }
    }
    EXPECT_EQ(written, expected);
    EXPECT_EQ(unstored.Size(), 0U);

    std::vector<KnownQuake> many(UnstoredEvents::kMaxUnstored + 2);
    for (std::size_t n = 0; n < many.size(); ++n) {
        unstored.Add(event(static_cast<int>(n)), many[n], false);
    }
    EXPECT_EQ(unstored.Size(), UnstoredEvents::kMaxUnstored);
    EXPECT_EQ(ids(unstored.Take(2, false)), (std::vector<std::string>{"emsc:2", "emsc:3"}));
}

TEST(LeadingIntegerTest, FollowsAtol) {
    EXPECT_EQ(LeadingInteger("012345"), 12345);
    EXPECT_EQ(LeadingInteger("12345\""), 12345);
    EXPECT_EQ(LeadingInteger(" 42x"), 42);
    EXPECT_EQ(LeadingInteger("abc"), 0);
    EXPECT_EQ(LeadingInteger(""), 0);
}

}  // namespace
}  // namespace dravik
