// USGS's own forecasts of the main shocks with cards: asked conditionally, only for those quakes, read again
// on USGS's schedule, and let go with the card.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "catalogue/quake_forecasts.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

std::string DetailUrlOf(const std::string& usgsId) {
    return "https://earthquake.usgs.gov/detail/" + usgsId;
}

TEST(QuakeForecastWatch, AsksConditionallyForTheCardsMainShocksAlone) {
    const std::string forecastUrl = "https://earthquake.usgs.gov/product/oaf/us6000jllz/us/1688000000000/forecast.json";
    std::map<std::string, int> asked;
    int conditional = 0;
    const auto fetch = [&](const std::string& url, const ConditionalRequest& request, std::size_t) {
        ++asked[url];
        FetchResult page;
        page.ok = true;
        if (!request.ifNoneMatch.empty()) {
            ++conditional;
            page.status = 304;
            return page;
        }
        page.status = 200;
        page.etag = "\"v1\"";
        if (url == DetailUrlOf("us6000jllz")) {
            page.body = "{\"properties\":{\"products\":{\"oaf\":[{\"contents\":{\"forecast.json\":{\"url\":\"" +
                        forecastUrl + "\"}}}]}}}";
        } else if (url == forecastUrl) {
            page.body = test::ReadFeedData("usgs_forecast_us6000jllz_made.json");
        } else {
            page.body = "{\"properties\":{\"products\":{}}}";  // no forecast published
        }
        return page;
    };
    QuakeForecastWatch watch(fetch, DetailUrlOf);
    const std::int64_t now = 1675688400000;
    const std::vector<ForecastCandidate> cards = {{"usgs:us6000jllz", "us6000jllz", now - 3600000},
                                                  {"emsc:1", "us7000none", now - 7200000},
                                                  {"emsc:2", "bad id/../x", now}};
    QuakeForecastWatch::Round round = watch.Read(cards, now);
    EXPECT_EQ(round.requests, 3) << "two details and one forecast; an id unfit for an address is not asked";
    ASSERT_EQ(round.forecasts.size(), 1u);
    EXPECT_DOUBLE_EQ(round.forecasts.at("usgs:us6000jllz").chanceM5, 0.97);

    // Within half an hour nothing is asked; after it, each body conditionally, and the forecast holds.
    EXPECT_EQ(watch.Read(cards, now + 60000).requests, 0);
    round = watch.Read(cards, now + QuakeForecastWatch::kLookAgainMs);
    EXPECT_EQ(round.requests, 3);
    EXPECT_EQ(conditional, 3);
    EXPECT_EQ(round.forecasts.count("usgs:us6000jllz"), 1u);

    // The card gone, nothing is held or asked for it.
    round = watch.Read({}, now + 2 * QuakeForecastWatch::kLookAgainMs);
    EXPECT_TRUE(round.forecasts.empty());
    EXPECT_EQ(round.requests, 0);
    EXPECT_EQ(asked[forecastUrl], 2);
}

}  // namespace
}  // namespace dravik
