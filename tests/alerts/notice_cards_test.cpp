#include "alerts/notice_cards.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "alerts/sequences.h"
#include "tests/alerts/crete_quakes.h"

namespace dravik {
namespace {

using test::kHourMs;
using test::kMinuteMs;
using test::kStart;
using test::Quake;

TEST(NoticeCardsTest, ADismissedCardComesBackOnlyForANewLargestAtMostHourly) {
    struct Step {
        const char* name;
        bool dismiss;  // the user closes the card first
        std::int64_t atMs;
        bool newLargest;
        CardAction expected;
    };
    const Step steps[] = {
        {"the first aftershock opens the card", false, 0, true, CardAction::Open},
        {"the next updates it", false, kMinuteMs, false, CardAction::Update},
        {"closed: a smaller one leaves it closed", true, 2 * kMinuteMs, false, CardAction::None},
        {"closed: a new largest within the hour neither", false, 30 * kMinuteMs, true, CardAction::None},
        {"an hour after it was closed, a smaller one neither", false, 2 * kMinuteMs + kHourMs, false, CardAction::None},
        {"an hour after it was closed, a new largest opens it again", false, 2 * kMinuteMs + kHourMs, true,
         CardAction::Open},
        {"open again: updates as before", false, 3 * kMinuteMs + kHourMs, false, CardAction::Update},
        {"closed once more: a new largest waits an hour from its return", true, 4 * kMinuteMs + kHourMs, true,
         CardAction::None},
    };
    SequenceCards cards;
    for (const Step& step : steps) {
        if (step.dismiss) {
            cards.Dismissed("main", kStart + step.atMs);
        }
        EXPECT_EQ(cards.Told("main", step.newLargest, kStart + step.atMs), step.expected) << step.name;
    }
    // Another sequence has its own card.
    EXPECT_EQ(cards.Told("other", false, kStart), CardAction::Open);
    EXPECT_EQ(SequenceCards::MainOfTag(SequenceCards::Tag("usgs:us6000m0xl")), "usgs:us6000m0xl");
    EXPECT_EQ(SequenceCards::MainOfTag(QuakeNotices::Tag("usgs:us6000m0xl")), "");
}

TEST(NoticeCardsTest, ARevisionUpdatesTheNoticeOnlyWhenWhatItSaidChanged) {
    AlertSettings settings;  // thresholds: notification M 5, wake M 6.5, sequences M 5
    const auto decision = [](std::vector<int> levels) {
        AlertDecision d;
        for (std::size_t i = 0; i < levels.size(); ++i) {
            PlaceShaking s;
            s.place = i;
            s.level = levels[i];
            d.shaking.push_back(s);
        }
        return d;
    };
    struct Case {
        const char* name;
        double before, after;
        std::vector<int> levelsBefore, levelsAfter;
        bool reviewed;
        bool update;
        bool magnitude;
    };
    const Case cases[] = {
        {"M 7.4 revised to 7.8", 7.4, 7.8, {}, {}, false, true, true},
        {"a step of 0.3", 5.5, 5.8, {}, {}, false, true, true},
        {"down by 0.3", 5.8, 5.5, {}, {}, false, true, true},
        {"a step of 0.2 within the thresholds", 5.5, 5.7, {}, {}, false, false, false},
        {"a step of 0.1 across the wake magnitude", 6.4, 6.5, {}, {}, false, true, true},
        {"a step of 0.1 below the notification's", 5.0, 4.9, {}, {}, false, true, true},
        {"a place's level changes", 5.5, 5.6, {4, 2}, {5, 2}, false, true, false},
        {"the same levels", 5.5, 5.6, {4, 2}, {4, 2}, false, false, false},
        {"reviewed by the agency", 5.5, 5.5, {}, {}, true, true, false},
    };
    for (const Case& c : cases) {
        QuakeNotices notices;
        const QuakeEvent before = Quake("q", c.before);
        notices.Notified(before, decision(c.levelsBefore));
        QuakeEvent after = Quake("q", c.after);
        after.reviewed = c.reviewed;
        const auto change = notices.Revised(after, decision(c.levelsAfter), settings);
        ASSERT_EQ(change.has_value(), c.update) << c.name;
        if (change) {
            EXPECT_EQ(change->previousMag, c.magnitude ? before.mag : std::string()) << c.name;
            EXPECT_EQ(change->reviewed, c.reviewed) << c.name;
        }
    }
    // Small steps add up: each is measured from what the notice last said; an unknown quake changes nothing.
    QuakeNotices notices;
    notices.Notified(Quake("q", 5.5), decision({}));
    EXPECT_FALSE(notices.Revised(Quake("q", 5.7), decision({}), settings));
    EXPECT_TRUE(notices.Revised(Quake("q", 5.8), decision({}), settings));
    EXPECT_FALSE(notices.Revised(Quake("q", 5.9), decision({}), settings));
    EXPECT_FALSE(notices.Revised(Quake("other", 7.0), decision({}), settings));
}

TEST(NoticeCardsTest, ARevisedMainShockResizesItsSequence) {
    SequenceTracker tracker;
    tracker.Add(Quake("main", 6.4), 5.0, false);  // zone 31 km
    EXPECT_TRUE(tracker.Add(Quake("a1", 4.0, 10.0, kMinuteMs), 5.0, false).aftershock);
    // 100 km away: outside the M 6.4 zone.
    EXPECT_FALSE(tracker.Add(Quake("far1", 4.0, 100.0, 2 * kMinuteMs), 5.0, false).aftershock);
    // Great quakes' first magnitudes are often low: revised to 7.4 (zone 159 km) it takes what follows farther out.
    EXPECT_TRUE(tracker.Revise(Quake("main", 7.4), 5.0));
    const SequenceVerdict far2 = tracker.Add(Quake("far2", 4.0, 100.0, 3 * kMinuteMs), 5.0, false);
    EXPECT_TRUE(far2.aftershock);
    EXPECT_EQ(far2.mainMagnitude, "7.4");
    // Its aftershocks so far stay counted, and say its new magnitude.
    EXPECT_EQ(tracker.AftershocksOf("main"), 2u);
    EXPECT_EQ(tracker.Of("a1").mainMagnitude, "7.4");
    // An M 6.6 is now an aftershock (below 7.4 - 1.0 it is not; at 6.3 it is).
    EXPECT_FALSE(tracker.Add(Quake("b", 6.6, 5.0, 4 * kMinuteMs), 5.0, false).aftershock);
    EXPECT_TRUE(tracker.Add(Quake("c", 6.3, 5.0, 5 * kMinuteMs), 5.0, false).aftershock);

    // A quake below the sequences' magnitude revised above it opens its own.
    SequenceTracker second;
    second.Add(Quake("small", 4.8), 5.0, false);
    EXPECT_FALSE(second.Add(Quake("x", 3.0, 1.0, kMinuteMs), 5.0, false).aftershock);
    EXPECT_TRUE(second.Revise(Quake("small", 5.6), 5.0));
    EXPECT_TRUE(second.Add(Quake("y", 3.0, 1.0, 2 * kMinuteMs), 5.0, false).aftershock);
    // A revision of an aftershock changes no sequence.
    EXPECT_FALSE(second.Revise(Quake("y", 3.2, 1.0, 2 * kMinuteMs), 5.0));
}

}  // namespace
}  // namespace dravik
