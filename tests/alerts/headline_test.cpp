#include "alerts/headline.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace dravik {
namespace {

constexpr std::int64_t kNow = 1'800'000'000'000;
constexpr std::int64_t kMinute = 60 * 1000;

struct Row {
    const char* id;
    double magnitude;
    std::optional<double> km;  // to the nearest place; none without places
    int expected;              // the strongest expected level there
    int reports = -1;
    double cdi = -1.0;
    bool tsunamiMessage = false;
    std::int64_t ageMs = 10 * kMinute;
};

HeadlineCandidate Candidate(const Row& row) {
    HeadlineCandidate c;
    c.eventId = row.id;
    c.hasOrigin = true;
    c.originUtcMs = kNow - row.ageMs;
    c.hasMagnitude = true;
    c.magnitude = row.magnitude;
    c.distanceKm = row.km;
    c.expectedLevel = row.expected;
    c.felt.reports = row.reports;
    c.felt.cdi = row.cdi;
    c.tsunamiMessage = row.tsunamiMessage;
    return c;
}

std::string Chosen(const std::vector<Row>& rows, const std::string& pinned = {}) {
    std::vector<HeadlineCandidate> quakes;
    for (const Row& row : rows) {
        quakes.push_back(Candidate(row));
    }
    const std::optional<std::size_t> at = ChooseHeadline(quakes, pinned, kNow);
    return at ? quakes[*at].eventId : "none";
}

// The week the complaint came from, in small: İstanbul, Tokyo and Los Angeles as places.
TEST(HeadlineTest, RankingAsATable) {
    const Row istanbul74{"istanbul74", 7.4, 78.0, 6};
    const Row calif03{"calif03", 0.3, 40.0, 1};
    const Row calif15{"calif15", 1.5, 20.0, 2};
    const Row hermosa{"hermosa", 2.4, 29.0, 1, 103, 3.9};
    const Row farBig{"farBig", 6.8, 9000.0, 1};
    const Row tokyo5{"tokyo5", 5.0, 60.0, 4};
    struct Case {
        const char* name;
        std::vector<Row> rows;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"the level at a place beats newer small quakes", {calif03, calif15, istanbul74}, "istanbul74"},
        {"the level beats the magnitude", {farBig, tokyo5}, "tokyo5"},
        {"observed IV near a place beats expected II", {calif15, hermosa}, "hermosa"},
        {"observed far from every place does not count", {calif15, Row{"farFelt", 2.4, 400.0, 1, 103, 3.9}}, "calif15"},
        {"equal levels: the larger magnitude", {Row{"a", 4.0, 50.0, 4}, Row{"b", 4.6, 120.0, 4}}, "b"},
        {"equal levels and magnitudes: the nearer", {Row{"a", 4.0, 90.0, 4}, Row{"b", 4.0, 30.0, 4}}, "b"},
        {"nothing felt at a place and nothing large: no band", {calif03, Row{"m5", 5.9, 3000.0, 1}}, "none"},
        {"nothing felt at a place: the M 6+", {calif03, farBig}, "farBig"},
        {"without places the largest M 6+",
         {Row{"m61", 6.1, std::nullopt, 0}, Row{"m72", 7.2, std::nullopt, 0}, Row{"m58", 5.8, std::nullopt, 0}},
         "m72"},
        {"without places nothing under M 6", {Row{"m58", 5.8, std::nullopt, 0}}, "none"},
        {"older than a day is gone", {Row{"old", 7.4, 78.0, 6, -1, -1.0, false, 25 * 60 * kMinute}}, "none"},
        {"a centre's tsunami message in force comes first",
         {istanbul74, Row{"sea", 6.2, 8000.0, 1, -1, -1.0, true}},
         "sea"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Chosen(c.rows), c.expected) << c.name;
    }
}

TEST(HeadlineTest, PinnedArrivalHoldsTheBandUntilATsunamiMessageOrItAges) {
    const Row home4{"home4", 4.2, 15.0, 5};
    const Row wake{"wake", 6.7, 9000.0, 1};
    EXPECT_EQ(Chosen({home4, wake}), "home4");
    EXPECT_EQ(Chosen({home4, wake}, "wake"), "wake") << "the arrival that took the band keeps it";
    EXPECT_EQ(Chosen({home4, Row{"wake", 6.7, 9000.0, 1, -1, -1.0, false, 25 * 60 * kMinute}}, "wake"), "home4");
    EXPECT_EQ(Chosen({home4, wake, Row{"sea", 6.0, 7000.0, 1, -1, -1.0, true}}, "wake"), "sea");
    EXPECT_EQ(Chosen({home4}, "gone"), "home4") << "a pinned quake no longer listed leaves the band to the ranking";
}

TEST(HeadlineTest, AnAftershockDoesNotTakeTheBandFromItsMainShock) {
    const HeadlineCandidate main = Candidate({"main", 7.4, 78.0, 6});
    const HeadlineCandidate after = Candidate({"after", 5.1, 70.0, 4});
    const HeadlineCandidate bigger = Candidate({"bigger", 7.6, 60.0, 7});
    EXPECT_FALSE(TakesHeadline(after, &main));
    EXPECT_TRUE(TakesHeadline(bigger, &main));
    EXPECT_TRUE(TakesHeadline(after, nullptr));
    EXPECT_TRUE(TakesHeadline(main, &main)) << "its own revision keeps it";
}

TEST(HeadlineTest, SignificantOnlyKeepsWhatAPlaceFeelsAndM25Up) {
    EXPECT_FALSE(IsSignificant(Candidate({"small", 2.4, 300.0, 1})));
    EXPECT_TRUE(IsSignificant(Candidate({"m25", 2.5, 9000.0, 1})));
    EXPECT_TRUE(IsSignificant(Candidate({"felt", 1.9, 10.0, 2})));
    EXPECT_TRUE(IsSignificant(Candidate({"reported", 2.0, 29.0, 1, 103, 3.9})));
    EXPECT_FALSE(IsSignificant(Candidate({"noPlaces", 2.0, std::nullopt, 0})));
    HeadlineCandidate unreadable = Candidate({"unreadable", 0.0, std::nullopt, 0});
    unreadable.hasMagnitude = false;
    EXPECT_TRUE(IsSignificant(unreadable)) << "nothing says it is small";
}

TEST(HeadlineTest, TheSelectionFollowsUnlessTheUserChoseARowThisMinute) {
    EXPECT_TRUE(SelectionFollows(std::nullopt, kNow));
    EXPECT_FALSE(SelectionFollows(kNow - 59 * 1000, kNow));
    EXPECT_TRUE(SelectionFollows(kNow - kMinute, kNow));
}

}  // namespace
}  // namespace dravik
