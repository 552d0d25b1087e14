#include "alerts/sequences.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "sources/quake_source.h"
#include "tests/alerts/crete_quakes.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

using test::kDayMs;
using test::kMinuteMs;
using test::kStart;
using test::Quake;

TEST(SequenceTest, ZoneAndTimeGrowWithTheMainShock) {
    struct Case {
        double magnitude;
        double radiusKm;
        double days;
    };
    const Case cases[] = {
        {4.0, 20.0, 10.0},   // opened at a place: the smallest zone and time
        {5.0, 20.0, 10.0},   // rupture 1.7 km: the 20 km floor
        {6.5, 36.8, 34.64},  // 10 * 12^0.5 days
        {6.8, 59.3, 44.41},  {7.5, 180.7, 79.31},
        {8.0, 399.0, 120.0}, {9.0, 1954.0, 120.0},  // the time clamped, the zone not
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(SequenceRadiusKm(c.magnitude), c.radiusKm, c.radiusKm * 0.005) << c.magnitude;
        EXPECT_NEAR(static_cast<double>(SequenceDurationMs(c.magnitude)) / kDayMs, c.days, 0.01) << c.magnitude;
    }
}

TEST(SequenceTest, WhichLaterQuakesAreAftershocks) {
    // The main shock M 6.8: zone 59.3 km, 44.4 days; aftershocks below M 5.8.
    struct Case {
        const char* name;
        double mainMagnitude;
        bool mainAtPlace;
        double minMagnitude;
        QuakeEvent later;
        bool aftershock;
    };
    const Case cases[] = {
        {"inside, a minute later", 6.8, false, 5.0, Quake("b", 4.0, 10.0, kMinuteMs), true},
        {"at the main shock's epicentre and time", 6.8, false, 5.0, Quake("b", 4.0), true},
        {"just inside the zone", 6.8, false, 5.0, Quake("b", 4.0, 59.0, kMinuteMs), true},
        {"just outside the zone", 6.8, false, 5.0, Quake("b", 4.0, 60.0, kMinuteMs), false},
        {"on the last day", 6.8, false, 5.0, Quake("b", 4.0, 0.0, 44 * kDayMs), true},
        {"after the time", 6.8, false, 5.0, Quake("b", 4.0, 0.0, 45 * kDayMs), false},
        {"before the main shock", 6.8, false, 5.0, Quake("b", 4.0, 0.0, -kMinuteMs), false},
        {"just below the step", 6.8, false, 5.0, Quake("b", 5.7, 0.0, kMinuteMs), true},
        {"on the step", 6.8, false, 5.0, Quake("b", 5.8, 0.0, kMinuteMs), false},
        {"just above the step", 6.8, false, 5.0, Quake("b", 5.9, 0.0, kMinuteMs), false},
        {"larger than the main shock", 6.8, false, 5.0, Quake("b", 7.0, 0.0, kMinuteMs), false},
        {"a main shock below the magnitude opens none", 4.9, false, 5.0, Quake("b", 3.0, 0.0, kMinuteMs), false},
        {"one that alerted at a place opens one", 4.9, true, 5.0, Quake("b", 3.0, 0.0, kMinuteMs), true},
        {"its smallest zone", 4.9, true, 5.0, Quake("b", 3.0, 21.0, kMinuteMs), false},
        {"the magnitude is the setting's", 5.5, false, 6.0, Quake("b", 3.0, 0.0, kMinuteMs), false},
    };
    for (const Case& c : cases) {
        SequenceTracker tracker;
        EXPECT_FALSE(tracker.Add(Quake("main", c.mainMagnitude), c.minMagnitude, c.mainAtPlace).aftershock);
        const SequenceVerdict v = tracker.Add(c.later, c.minMagnitude, false);
        EXPECT_EQ(v.aftershock, c.aftershock) << c.name;
        EXPECT_EQ(tracker.Of("b").aftershock, c.aftershock) << c.name;
        if (c.aftershock) {
            EXPECT_EQ(v.mainId, "main") << c.name;
            EXPECT_EQ(v.mainMagnitude, Quake("main", c.mainMagnitude).mag) << c.name;
            EXPECT_EQ(v.mainRegion, "CRETE") << c.name;
            EXPECT_EQ(tracker.AftershocksOf("main"), 1u) << c.name;
        }
    }
}

TEST(SequenceTest, ALargerQuakeBecomesTheMainShockAndTheLargestZoneTakesAQuake) {
    SequenceTracker tracker;
    tracker.Add(Quake("fore", 6.0), 5.0, false);
    EXPECT_TRUE(tracker.Add(Quake("a1", 4.5, 5.0, kMinuteMs), 5.0, false).aftershock);
    // M 7.5 beside it: the M 6.0 was a foreshock; M 5.5 is now too large for the old one's step, fine for this.
    EXPECT_FALSE(tracker.Add(Quake("main", 7.5, 10.0, 2 * kMinuteMs), 5.0, false).aftershock);
    const SequenceVerdict v = tracker.Add(Quake("a2", 5.5, 100.0, 3 * kMinuteMs), 5.0, false);
    EXPECT_TRUE(v.aftershock);
    EXPECT_EQ(v.mainId, "main");
    EXPECT_EQ(tracker.AftershocksOf("fore"), 0u);
    // A quake already fed is not counted again, and keeps its verdict.
    EXPECT_EQ(tracker.Add(Quake("a1", 4.5, 5.0, kMinuteMs), 5.0, false).mainId, "fore");
    EXPECT_EQ(tracker.AftershocksOf("main"), 1u);

    // Two sequences: M 7.5 at 0 km (zone 180.7 km) and M 6.0 at 190 km (zone 20 km, its own sequence).
    SequenceTracker two;
    two.Add(Quake("big", 7.5), 5.0, false);
    two.Add(Quake("small", 6.0, 190.0, kMinuteMs), 5.0, false);
    struct Case {
        double km;
        const char* main;
    };
    const Case cases[] = {{175.0, "big"}, {180.0, "big"}, {185.0, "small"}, {205.0, "small"}, {215.0, ""}};
    int n = 0;
    for (const Case& c : cases) {
        const SequenceVerdict in = two.Add(Quake("q" + std::to_string(n++), 4.0, c.km, kDayMs), 5.0, false);
        EXPECT_EQ(in.mainId, c.main) << c.km;
        EXPECT_EQ(in.aftershock, *c.main != '\0') << c.km;
    }
}

TEST(SequenceTest, ExpiredSequencesAndTheirVerdictsAreForgotten) {
    SequenceTracker tracker;
    tracker.Add(Quake("main", 5.0), 5.0, false);
    tracker.Add(Quake("a", 3.0, 1.0, kDayMs), 5.0, false);
    tracker.Add(Quake("far", 3.0, 5000.0, 9 * kDayMs), 5.0, false);
    EXPECT_EQ(tracker.OpenSequences(), 1u);
    EXPECT_TRUE(tracker.Of("a").aftershock);
    // Ten days and a little more: the clock is the newest origin fed, not the computer's.
    tracker.Add(Quake("later", 3.0, 5000.0, 10 * kDayMs + 2 * 3600 * 1000), 5.0, false);
    EXPECT_EQ(tracker.OpenSequences(), 0u);
    EXPECT_FALSE(tracker.Of("a").aftershock);
    EXPECT_FALSE(tracker.Add(Quake("b", 3.0, 1.0, 10 * kDayMs + 3 * 3600 * 1000), 5.0, false).aftershock);

    // A feed gone wrong opens no more sequences than the bound.
    SequenceTracker flood;
    for (std::size_t i = 0; i < SequenceTracker::kMaxSequences + 10; ++i) {
        flood.Add(Quake("m" + std::to_string(i), 5.0, 100.0 * static_cast<double>(i), kMinuteMs), 5.0, false);
    }
    EXPECT_EQ(flood.OpenSequences(), SequenceTracker::kMaxSequences);
}

AlertDecision Due(int maxLevel = 0) {
    AlertDecision d;
    d.alert = d.sound = d.notify = true;
    d.maxLevel = maxLevel;
    return d;
}

TEST(SequenceTest, ARoundNotifiesItsAftershocksInOneSummaryASequence) {
    SequenceTracker tracker;
    AlertSettings settings;
    const QuakeEvent main = Quake("main", 6.8);
    tracker.Add(main, 5.0, false);
    const SequencePlan first = PlanSequenceNotifications({main}, {Due()}, {SequenceVerdict{}}, settings, false);
    EXPECT_EQ(first.plan.single, (std::vector<std::size_t>{0}));
    EXPECT_TRUE(first.aftershocks.empty());

    // The next round: four aftershocks, one strong at a place, one quake elsewhere, one aftershock not due.
    const std::vector<QuakeEvent> round = {Quake("a1", 4.1, 5.0, kMinuteMs),      Quake("far", 5.2, 3000.0, kMinuteMs),
                                           Quake("a2", 4.9, 5.0, 2 * kMinuteMs),  Quake("strong", 4.5, 1.0, kMinuteMs),
                                           Quake("a3", 4.6, 20.0, 3 * kMinuteMs), Quake("quiet", 4.0, 1.0, kMinuteMs)};
    std::vector<AlertDecision> decisions(round.size(), Due());
    decisions[3].maxLevel = kAftershockOwnLevel;
    decisions[4].maxLevel = kAftershockOwnLevel - 1;
    decisions[5].notify = false;
    std::vector<SequenceVerdict> verdicts;
    for (const QuakeEvent& e : round) {
        verdicts.push_back(tracker.Add(e, 5.0, false));
    }
    const SequencePlan plan = PlanSequenceNotifications(round, decisions, verdicts, settings, false);
    EXPECT_EQ(plan.plan.single, (std::vector<std::size_t>{1, 3}));
    EXPECT_TRUE(plan.plan.summary.empty());
    ASSERT_EQ(plan.aftershocks.size(), 1u);
    EXPECT_EQ(plan.aftershocks[0].mainId, "main");
    EXPECT_EQ(plan.aftershocks[0].mainMagnitude, "6.8");
    EXPECT_EQ(plan.aftershocks[0].members, (std::vector<std::size_t>{0, 2, 4}));
    EXPECT_EQ(plan.aftershocks[0].largest, 2u);

    // Grouping off: the classic plan, three singles and the rest summed up.
    AlertSettings classic;
    classic.sequenceEnabled = false;
    const SequencePlan off = PlanSequenceNotifications(round, decisions, verdicts, classic, false);
    EXPECT_TRUE(off.aftershocks.empty());
    EXPECT_EQ(off.plan.single, (std::vector<std::size_t>{1, 2, 4}));
    EXPECT_EQ(off.plan.summary, (std::vector<std::size_t>{0, 3}));
    EXPECT_TRUE(PlanSequenceNotifications(round, decisions, verdicts, settings, true).aftershocks.empty());
}

// The 2024-01-01 Noto M 7.5 (its USGS values) and the M 5 and larger aftershocks USGS and EMSC give that day,
// one quake a cycle as they came, and all of them in one cycle (a catch-up), with the default settings.
TEST(SequenceTest, TheNotoDayNotifiesItsMainShockAloneAndItsAftershocksGrouped) {
    QuakeEvent main;
    main.eventId = "usgs:us6000m0xl";
    main.region = "Noto Peninsula, Japan";
    main.mag = "7.5";
    main.hasNumbers = true;
    main.magnitude = 7.5;
    main.latitude = 37.49;
    main.longitude = 137.27;
    main.originUtcMs = kStart;
    std::vector<QuakeEvent> day = ParseQuakeSource(test::ReadFeedData("usgs_text_honshu_2024.txt"),
                                                   "https://earthquake.usgs.gov/fdsnws/event/1/query?format=text");
    const std::vector<QuakeEvent> emsc = ParseQuakeSource(test::ReadFeedData("emsc_text_honshu_2024.txt"),
                                                          "https://www.seismicportal.eu/fdsnws/event/1/query");
    day.insert(day.end(), emsc.begin(), emsc.end());
    ASSERT_EQ(day.size(), 10u);
    std::sort(day.begin(), day.end(),
              [](const QuakeEvent& a, const QuakeEvent& b) { return a.originUtcMs < b.originUtcMs; });
    day.insert(day.begin(), main);
    struct Counts {
        std::size_t notifications = 0;
        std::size_t grouped = 0;
    };
    const auto run = [&](bool enabled, bool oneCycle) {
        AlertSettings settings;
        settings.sequenceEnabled = enabled;
        SequenceTracker tracker;
        Counts counts;
        std::vector<QuakeEvent> events;
        std::vector<SequenceVerdict> verdicts;
        const auto cycle = [&] {
            std::vector<AlertDecision> decisions;
            for (const QuakeEvent& e : events) {
                decisions.push_back(DecideAlert(e, settings, 0));
            }
            const SequencePlan plan = PlanSequenceNotifications(events, decisions, verdicts, settings, false);
            counts.notifications +=
                plan.plan.single.size() + (plan.plan.summary.empty() ? 0 : 1) + plan.aftershocks.size();
            for (const AftershockSummary& s : plan.aftershocks) {
                counts.grouped += s.members.size();
            }
            events.clear();
            verdicts.clear();
        };
        for (std::size_t i = 0; i < day.size(); ++i) {
            events.push_back(day[i]);
            verdicts.push_back(tracker.Add(day[i], settings.sequenceMinMagnitude, false));
            if (!oneCycle || i == 0 || i + 1 == day.size()) {
                cycle();
            }
        }
        return counts;
    };
    // One a cycle: each aftershock's summary replaces its own notification.
    EXPECT_EQ(run(false, false).notifications, 11u);
    EXPECT_EQ(run(true, false).notifications, 11u);
    EXPECT_EQ(run(true, false).grouped, 10u);
    // In one cycle after the main shock: three singles and a summary of the other seven, or one summary of all ten.
    EXPECT_EQ(run(false, true).notifications, 1u + 4u);
    EXPECT_EQ(run(true, true).notifications, 1u + 1u);
    EXPECT_EQ(run(true, true).grouped, 10u);
}

}  // namespace
}  // namespace dravik
