// The event's detail and its products: which links are followed, how the products read, and how many requests
// a look at a quake costs.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sources/event_detail.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

const std::string kDetailUrl = "https://earthquake.usgs.gov/fdsnws/event/1/query?format=geojson&eventid=us6000jllz";
const std::string kProduct = "https://earthquake.usgs.gov/product";

TEST(EventDetailTest, FindsTheProductsOfThePreferredVersionsOnTrustedHostsOnly) {
    const std::string body = test::ReadFeedData("usgs_detail_us6000jllz_made.json");
    ASSERT_FALSE(body.empty());
    const std::optional<ProductLinks> links = ParseEventDetail(body, kDetailUrl);
    ASSERT_TRUE(links);
    EXPECT_EQ(links->contours, kProduct + "/shakemap/us6000jllz/us/1690000000000/download/cont_mmi.json");
    EXPECT_EQ(links->rupture, kProduct + "/shakemap/us6000jllz/us/1690000000000/download/rupture.json");
    EXPECT_EQ(links->feltCells, kProduct + "/dyfi/us6000jllz/us/1689000000000/dyfi_geo_10km.geojson");
    EXPECT_EQ(links->forecast, kProduct + "/oaf/us6000jllz/us/1688000000000/forecast.json");
    // The finite fault's file lies on another host than the detail's or USGS's: not followed.
    EXPECT_EQ(links->finiteFault, "");
    // The same links served by a test server on 127.0.0.1 are followed there too, and only there.
    const std::optional<ProductLinks> local = ParseEventDetail(body, "http://127.0.0.1:8080/detail?eventid=x");
    ASSERT_TRUE(local);
    EXPECT_EQ(local->contours, links->contours);

    struct Bad {
        const char* name;
        std::string body;
    };
    const std::string deep = std::string(5000, '[') + std::string(5000, ']');
    const Bad bad[] = {
        {"not JSON", "<html>503</html>"},
        {"a summary feed, not a detail", "{\"type\":\"FeatureCollection\",\"features\":[]}"},
        {"nested past any product", "{\"properties\":{\"products\":{},\"x\":" + deep + "}}"},
    };
    for (const Bad& b : bad) {
        EXPECT_FALSE(ParseEventDetail(b.body, kDetailUrl)) << b.name;
    }
    // Addresses that would send the program elsewhere or are not web addresses.
    const char* const links2[] = {"file:///etc/passwd", "https://usgs.gov.example/x", "https://a b.usgs.gov/x",
                                  "https://user@evil.example/x", "javascript:alert(1)"};
    for (const char* link : links2) {
        const std::string detail =
            std::string("{\"properties\":{\"products\":{\"oaf\":[{\"contents\":{\"forecast.json\":{\"url\":\"") + link +
            "\"}}}]}}}";
        const auto parsed = ParseEventDetail(detail, kDetailUrl);
        ASSERT_TRUE(parsed) << link;
        EXPECT_EQ(parsed->forecast, "") << link;
    }
}

TEST(EventDetailTest, ReadsContoursCellsAndRuptures) {
    const std::vector<IntensityContour> contours =
        ParseIntensityContours(test::ReadFeedData("shakemap_cont_mmi_made.json"));
    ASSERT_EQ(contours.size(), 5u);
    EXPECT_EQ(contours[0].value, 8.5);
    EXPECT_EQ(contours[4].value, 4.5);
    EXPECT_EQ(contours[0].lines.size(), 1u);
    EXPECT_GT(contours[0].lines[0].size(), 40u);

    // El Mayor-Cucapah's cells of 3 reports or more, as the felt-report comparison counts them.
    const std::vector<FeltCell> cells = ParseFeltCells(test::ReadFeedData("dyfi_ci14607652_geo_10km.geojson"));
    EXPECT_EQ(cells.size(), 538u);
    EXPECT_EQ(ParseFeltCells(test::ReadFeedData("dyfi_ci14607652_geo_10km.geojson"), 1).size(), 918u);

    const std::vector<RupturePlane> planes = ParseRupture(test::ReadFeedData("shakemap_rupture_made.json"));
    ASSERT_EQ(planes.size(), 2u);
    EXPECT_EQ(planes[0].size(), 5u);
    EXPECT_EQ(planes[0][2].depthKm, 20.0);
    // A point source has no planes; values that are no place are left out.
    EXPECT_TRUE(
        ParseRupture("{\"features\":[{\"geometry\":{\"type\":\"Point\",\"coordinates\":[37,37,10]}}]}").empty());
    const std::vector<IntensityContour> odd = ParseIntensityContours(
        "{\"features\":[{\"properties\":{\"value\":\"x\"},\"geometry\":{\"type\":\"LineString\",\"coordinates\":[[0,0],"
        "[1,1]]}},{\"properties\":{\"value\":5.5},\"geometry\":{\"type\":\"LineString\",\"coordinates\":[[0,0],[1,"
        "95],[\"a\",1],[2,2]]}}]}");
    ASSERT_EQ(odd.size(), 1u);
    EXPECT_EQ(odd[0].lines[0].size(), 2u);
}

// A fake service: bodies by address, with an ETag each; counts requests and honours If-None-Match.
struct FakeService {
    std::map<std::string, std::string> bodies;
    std::map<std::string, long> failing;
    std::vector<std::string> asked;
    std::vector<std::size_t> caps;

    FetchResult operator()(const std::string& url, const ConditionalRequest& request, std::size_t maxBytes) {
        asked.push_back(url);
        caps.push_back(maxBytes);
        FetchResult r;
        r.ok = true;
        if (failing.count(url)) {
            r.status = failing[url];
            return r;
        }
        const auto it = bodies.find(url);
        if (it == bodies.end()) {
            r.status = 404;
            return r;
        }
        r.etag = "\"" + std::to_string(std::hash<std::string>()(it->second)) + "\"";
        if (!request.ifNoneMatch.empty() && request.ifNoneMatch == r.etag) {
            r.status = 304;
            return r;
        }
        r.status = 200;
        r.body = it->second;
        return r;
    }
};

TEST(EventDetailTest, ALookCostsOneRequestOnceNothingChanged) {
    FakeService service;
    const std::string detail = test::ReadFeedData("usgs_detail_us6000jllz_made.json");
    const ProductLinks links = *ParseEventDetail(detail, kDetailUrl);
    service.bodies[kDetailUrl] = detail;
    service.bodies[links.contours] = test::ReadFeedData("shakemap_cont_mmi_made.json");
    service.bodies[links.rupture] = test::ReadFeedData("shakemap_rupture_made.json");
    service.failing[links.feltCells] = 503;
    const EventProductReader::Fetch fetch = [&service](const std::string& url, const ConditionalRequest& request,
                                                       std::size_t maxBytes) {
        return service(url, request, maxBytes);
    };

    EventProductReader reader("us6000jllz", kDetailUrl);
    int requests = 0;
    EXPECT_TRUE(reader.Read(fetch, &requests));
    EXPECT_EQ(requests, 4);  // the detail, the contours, the cells (which fail), the rupture
    EXPECT_EQ(reader.Problem(), "HTTP 503");
    ASSERT_TRUE(reader.Products());
    EXPECT_EQ(reader.Products()->contours.size(), 5u);
    EXPECT_EQ(reader.Products()->rupture.size(), 2u);
    EXPECT_TRUE(reader.Products()->feltCells.empty());
    // Every body within its cap; the 28 MB grid is never asked for.
    for (std::size_t i = 0; i < service.asked.size(); ++i) {
        EXPECT_LE(service.caps[i], kMaxFeltCellBytes) << service.asked[i];
        EXPECT_EQ(service.asked[i].find("grid.xml"), std::string::npos);
    }

    // The cells that failed are asked for again, and only they: the products read stay as they are.
    service.failing.clear();
    service.bodies[links.feltCells] = test::ReadFeedData("dyfi_ci14607652_geo_10km.geojson");
    const auto before = reader.Products();
    EXPECT_TRUE(reader.Read(fetch, &requests));
    EXPECT_EQ(requests, 2);
    EXPECT_EQ(reader.Products()->feltCells.size(), 538u);
    EXPECT_EQ(reader.Products()->contours.size(), 5u);
    EXPECT_EQ(before->feltCells.size(), 0u) << "a product once handed out never changes";

    // Nothing new: the detail answers 304 and that is all.
    EXPECT_FALSE(reader.Read(fetch, &requests));
    EXPECT_EQ(requests, 1);
    EXPECT_EQ(reader.Problem(), "");

    // A new ShakeMap version has a new address: the detail and that one file.
    std::string revised = detail;
    const std::string old = "1690000000000/download/cont_mmi.json";
    revised.replace(revised.find(old), old.size(), "1700000000000/download/cont_mmi.json");
    service.bodies[kDetailUrl] = revised;
    service.bodies[kProduct + "/shakemap/us6000jllz/us/1700000000000/download/cont_mmi.json"] =
        "{\"features\":[{\"properties\":{\"value\":9.5},\"geometry\":{\"type\":\"LineString\",\"coordinates\":[[36,"
        "36],[37,37],[36,37]]}}]}";
    EXPECT_TRUE(reader.Read(fetch, &requests));
    EXPECT_EQ(requests, 2);
    ASSERT_EQ(reader.Products()->contours.size(), 1u);
    EXPECT_EQ(reader.Products()->contours[0].value, 9.5);

    // The detail gone (the quake deleted): what was held stays, the problem is said.
    service.bodies.erase(kDetailUrl);
    EXPECT_FALSE(reader.Read(fetch, &requests));
    EXPECT_EQ(reader.Problem(), "HTTP 404");
    EXPECT_EQ(reader.Products()->contours.size(), 1u);
}

}  // namespace
}  // namespace dravik

namespace dravik {
namespace {

// The forecast's week, in the layout USGS's forecast code writes; a window held back (-1), out of range or
// without its M 5 chance says nothing, and the label or a seven-day span finds the week.
TEST(UsgsForecast, ReadsTheWeekAndRefusesWhatIsNotAChance) {
    const std::optional<UsgsForecast> made =
        ParseUsgsForecast(test::ReadFeedData("usgs_forecast_us6000jllz_made.json"));
    ASSERT_TRUE(made.has_value());
    EXPECT_DOUBLE_EQ(made->chanceM5, 0.97);
    EXPECT_TRUE(made->hasMain);
    EXPECT_DOUBLE_EQ(made->mainMagnitude, 7.8);
    EXPECT_DOUBLE_EQ(made->chanceMain, 0.02);
    EXPECT_EQ(made->endUtcMs - made->startUtcMs, 7 * 86400000LL);

    const auto week = [](const std::string& bins, const std::string& extra = {}) {
        return "{\"forecast\":[{\"timeStart\":0,\"timeEnd\":604800000,\"bins\":[" + bins + "]" + extra + "}]}";
    };
    const std::optional<UsgsForecast> unlabelled = ParseUsgsForecast(week("{\"magnitude\":5,\"probability\":0.4}"));
    ASSERT_TRUE(unlabelled.has_value());
    EXPECT_DOUBLE_EQ(unlabelled->chanceM5, 0.4);
    EXPECT_FALSE(unlabelled->hasMain);
    EXPECT_FALSE(ParseUsgsForecast(week("{\"magnitude\":5,\"probability\":0.4}",
                                        ",\"aboveMainshockMag\":{\"magnitude\":7,\"probability\":-1}"))
                     ->hasMain)
        << "held back";
    for (const std::string& body :
         {week("{\"magnitude\":5,\"probability\":-1}"), week("{\"magnitude\":5,\"probability\":1.5}"),
          week("{\"magnitude\":6,\"probability\":0.2}"), std::string("{\"forecast\":{}}"), std::string("[[[[[["),
          std::string("{\"forecast\":[{\"timeStart\":0,\"timeEnd\":86400000,\"bins\":[{\"magnitude\":5,\"probability\":"
                      "0.4}]}]}"),
          week("{\"magnitude\":5,\"probability\":0.4}") + std::string(kMaxForecastBytes, ' ')}) {
        EXPECT_FALSE(ParseUsgsForecast(body).has_value()) << body.substr(0, 120);
    }
}

}  // namespace
}  // namespace dravik
