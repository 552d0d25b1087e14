// Which quakes have what USGS measured of them read, and how often.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "catalogue/quake_products.h"

namespace dravik {
namespace {

constexpr std::int64_t kNow = 1700000000000;
constexpr std::int64_t kMinute = 60 * 1000;

// A service whose details name no product: a look is one request.
struct CountingService {
    std::vector<std::string> asked;
    FetchResult operator()(const std::string& url, const ConditionalRequest&, std::size_t) {
        asked.push_back(url);
        FetchResult r;
        r.ok = true;
        r.status = 200;
        r.body = "{\"type\":\"Feature\",\"properties\":{\"products\":{}}}";
        return r;
    }
};

TEST(QuakeProductWatchTest, BoundedLooksNewQuakesFirstAndUnsafeIdsNever) {
    CountingService service;
    QuakeProductWatch watch([&service](const std::string& url, const ConditionalRequest& request,
                                       std::size_t cap) { return service(url, request, cap); },
                            [](const std::string& id) { return "http://127.0.0.1:9/detail?eventid=" + id; });
    std::vector<ProductCandidate> candidates;
    for (int i = 0; i < 30; ++i) {
        candidates.push_back({"row" + std::to_string(i), "us" + std::to_string(1000 + i), kNow - i * kMinute});
    }
    candidates.push_back({"emsc-only", "", kNow});
    candidates.push_back({"hostile", "us1&format=xml", kNow});
    candidates.push_back({"old", "us9", kNow - QuakeProductWatch::kFollowMs - 1});

    // At most kLooksPerRound quakes a cycle, the newest first; at most kMaxQuakes followed.
    ProductRound round = watch.Read(candidates, kNow);
    EXPECT_EQ(round.looks, QuakeProductWatch::kLooksPerRound);
    EXPECT_EQ(round.requests, QuakeProductWatch::kLooksPerRound);
    ASSERT_EQ(service.asked.size(), 3u);
    EXPECT_EQ(service.asked[0], "http://127.0.0.1:9/detail?eventid=us1000");
    EXPECT_EQ(service.asked[2], "http://127.0.0.1:9/detail?eventid=us1002");
    EXPECT_EQ(watch.Followed(), QuakeProductWatch::kMaxQuakes);
    for (const std::string& url : service.asked) {
        EXPECT_EQ(url.find('&'), std::string::npos) << url;
    }

    // The next cycles take the quakes never looked at; those looked at wait for kLookAgainMs.
    for (int cycle = 0; cycle < 10; ++cycle) {
        watch.Read(candidates, kNow + (cycle + 1) * kMinute);
    }
    EXPECT_EQ(service.asked.size(), QuakeProductWatch::kMaxQuakes) << "each followed quake once";
    const std::size_t before = service.asked.size();
    watch.Read(candidates, kNow + 11 * kMinute);
    EXPECT_EQ(service.asked.size(), before) << "nothing due yet";
    watch.Read(candidates, kNow + QuakeProductWatch::kLookAgainMs + 1 * kMinute);
    EXPECT_EQ(service.asked.size(), before + 3u);
    EXPECT_EQ(service.asked[before], "http://127.0.0.1:9/detail?eventid=us1000") << "the longest unseen first";

    // A quake no longer listed is let go.
    watch.Read({candidates[0]}, kNow + QuakeProductWatch::kLookAgainMs + 2 * kMinute);
    EXPECT_EQ(watch.Followed(), 1u);
}

}  // namespace
}  // namespace dravik
