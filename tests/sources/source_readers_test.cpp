#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sources/event_fields.h"
#include "sources/geojson_events.h"
#include "sources/page_fetch.h"
#include "sources/quake_source.h"
#include "tests/common/http_test_server.h"
#include "tests/common/scoped_tz.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

using test::ScopedTz;

std::string ReadData(const std::string& name) {
    const std::string text = test::ReadFeedData(name);
    EXPECT_FALSE(text.empty()) << name;
    return text;
}

// One event as a reader must give it: the texts, then the numbers.
struct Expected {
    std::string id, region, data1, data2, mag, wsp1, wsp2, depth;
    long long originUtcMs;
    double latitude, longitude, magnitude;
};

void ExpectEvent(const QuakeEvent& got, const Expected& e, const std::string& what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(got.eventId, e.id);
    EXPECT_EQ(got.region, e.region);
    EXPECT_EQ(got.data1, e.data1);
    EXPECT_EQ(got.data2, e.data2);
    EXPECT_EQ(got.mag, e.mag);
    EXPECT_EQ(got.wsp1, e.wsp1);
    EXPECT_EQ(got.wsp2, e.wsp2);
    EXPECT_EQ(got.depth, e.depth);
    EXPECT_TRUE(got.hasNumbers);
    EXPECT_EQ(got.originUtcMs, e.originUtcMs);
    EXPECT_DOUBLE_EQ(got.latitude, e.latitude);
    EXPECT_DOUBLE_EQ(got.longitude, e.longitude);
    EXPECT_DOUBLE_EQ(got.magnitude, e.magnitude);
}

// Each agency's real answer, read as the cycle reads it: its first and last events in full, and how many.
TEST(SourceReaders, SavedAnswersOfFiveAgencies) {
    ScopedTz tz("UTC");
    struct Case {
        const char* file;
        const char* url;
        std::size_t count;
        Expected first, last;
    };
    const std::vector<Case> cases = {
        {"emsc_text_2017_m65.txt",
         "http://www.seismicportal.eu/fdsnws/event/1/query?start=2017-09-01&end=2017-11-01&format=text&minmag=6.5",
         6,
         {"emsc:20171031_0000002", "SOUTHEAST OF LOYALTY ISLANDS", "2017-10-31", "01:42", "6.8", "-21.71 ", "169.11 ",
          "25", 1509410532400LL, -21.71, 169.11, 6.8},
         {"emsc:20170908_0000020", "OFFSHORE CHIAPAS, MEXICO", "2017-09-08", "05:49", "8.1", "15.02 ", "-93.81 ", "72",
          1504846161200LL, 15.02, -93.81, 8.1}},
        {"emsc_text_honshu_2024.txt",
         "https://www.seismicportal.eu/fdsnws/event/1/query?format=text",
         5,
         {"emsc:20240101_0000328", "NEAR WEST COAST OF HONSHU, JAPAN", "2024-01-01", "20:42", "5.1", "37.22 ",
          "136.70 ", "10", 1704138126890LL, 37.2175, 136.7001, 5.1},
         {"emsc:20240101_0000127", "NEAR WEST COAST OF HONSHU, JAPAN", "2024-01-01", "10:30", "5.2", "37.54 ",
          "137.37 ", "13", 1704101422430LL, 37.5434, 137.3697, 5.2}},
        {"usgs_text_honshu_2024.txt",
         "https://earthquake.usgs.gov/fdsnws/event/1/query?format=text",
         5,
         {"usgs:us6000m0yg", "73 km WSW of Sado, Japan", "2024-01-01", "10:45", "5.1", "37.81 ", "137.57 ", "10",
          1704102326217LL, 37.8107, 137.5664, 5.1},
         {"usgs:us6000m0y9", "56 km NE of Anamizu, Japan", "2024-01-01", "10:03", "5.5", "37.53 ", "137.42 ", "10",
          1704099828859LL, 37.5339, 137.4185, 5.5}},
        {"gfz_text_honshu_2024.txt",
         "https://geofon.gfz.de/fdsnws/event/1/query?format=text",
         5,
         {"gfz:gfz2024abmz", "Near West Coast of Honshu, Japan", "2024-01-01", "20:42", "5.1", "37.28 ", "136.67 ",
          "10", 1704138127120LL, 37.285, 136.673, 5.07},
         {"gfz:gfz2024aatd", "Near West Coast of Honshu, Japan", "2024-01-01", "10:40", "5.1", "37.09 ", "136.61 ",
          "10", 1704102000540LL, 37.092, 136.606, 5.14}},
        {"ingv_text_honshu_2024.txt",
         "https://webservices.ingv.it/fdsnws/event/1/query?format=text",
         3,
         {"ingv:37258271", "Near west coast of eastern Honshu, Japan [Sea: Japan]", "2024-01-01", "08:18", "6.1",
          "37.22 ", "136.59 ", "20", 1704093526670LL, 37.216, 136.591, 6.1},
         {"ingv:37258171", "Near west coast of eastern Honshu, Japan [Sea: Japan]", "2024-01-01", "08:06", "5.6",
          "37.34 ", "137.34 ", "20", 1704092771251LL, 37.338, 137.34, 5.6}},
        {"ingv_text_emilia_2012.txt",
         "http://webservices.ingv.it/fdsnws/event/1/query",
         8,
         {"ingv:863301", "3 km E San Possidonio (MO)", "2012-05-30", "00:58", "2.1", "44.88 ", "11.03 ", "8",
          1338335938770LL, 44.8797, 11.0305, 2.1},
         {"ingv:863051", "5 km E San Felice sul Panaro (MO)", "2012-05-30", "00:44", "2.4", "44.86 ", "11.20 ", "8",
          1338335049160LL, 44.8613, 11.2023, 2.4}},
        {"iris_text_2011.txt",
         "http://service.iris.edu/fdsnws/event/1/query?format=text",
         4,
         {"iris:4258220", "POLAND", "2011-01-08", "01:04", "2.0", "50.12 ", "19.14 ", "0", 1294445069000LL, 50.1178,
          19.1442, 2.0},
         {"iris:4258217", "NEAR S. COAST OF WESTERN HONSHU", "2011-01-08", "01:00", "0.4", "34.24 ", "135.41 ", "5",
          1294444839000LL, 34.24, 135.41, 0.4}},
        {"usgs_geojson_all_hour_2017.geojson",
         "https://earthquake.usgs.gov/earthquakes/feed/v1.0/summary/all_hour.geojson",
         8,
         {"usgs:nc72934355", "17km ESE of Anderson, CA", "2017-12-04", "00:13", "1.9", "40.37 ", "-122.13 ", "8",
          1512342790490LL, 40.3699989, -122.1271667, 1.93},
         {"usgs:us1000bknk", "254km SE of Pondaguitan, Philippines", "2017-12-03", "23:26", "4.7", "4.62 ", "127.68 ",
          "114", 1512339997990LL, 4.6172, 127.6764, 4.7}},
    };
    for (const Case& c : cases) {
        const std::string body = ReadData(c.file);
        const std::vector<QuakeEvent> events = ParseQuakeSource(body, c.url);
        ASSERT_EQ(events.size(), c.count) << c.file;
        ExpectEvent(events.front(), c.first, std::string(c.file) + " first");
        ExpectEvent(events.back(), c.last, std::string(c.file) + " last");
    }
}

// EMSC answers the same query as text and as JSON: both must list and store alike.
TEST(SourceReaders, EmscJsonAndTextAgree) {
    ScopedTz tz("Europe/Warsaw");
    const std::string url = "https://www.seismicportal.eu/fdsnws/event/1/query?minmag=6.5";
    const auto fromText = ParseQuakeSource(ReadData("emsc_text_2017_m65.txt"), url);
    const auto fromJson = ParseQuakeSource(ReadData("emsc_json_2017_m65.json"), url);
    ASSERT_EQ(fromJson.size(), 6u);
    ASSERT_EQ(fromText.size(), fromJson.size());
    for (std::size_t i = 0; i < fromText.size(); ++i) {
        ExpectEvent(fromJson[i],
                    {fromText[i].eventId, fromText[i].region, fromText[i].data1, fromText[i].data2, fromText[i].mag,
                     fromText[i].wsp1, fromText[i].wsp2, fromText[i].depth, fromText[i].originUtcMs,
                     fromText[i].latitude, fromText[i].longitude, fromText[i].magnitude},
                    "event " + std::to_string(i));
    }
    // The answer cut short inside its first feature gives nothing, and no half event.
    EXPECT_TRUE(ParseQuakeSource(ReadData("emsc_json_2017_m65_cut.json"), url).empty());
}

TEST(SourceReaders, FormatToldByContent) {
    struct Case {
        const char* name;
        std::string body;
        SourceFormat format;
    };
    const std::vector<Case> cases = {
        {"FDSN text", "#EventID|Time|Latitude\n", SourceFormat::kFdsnText},
        {"FDSN text, blanks and any case", "\xEF\xBB\xBF\r\n  # eventid | Time\n", SourceFormat::kFdsnText},
        {"GeoJSON", "  {\"type\":\"FeatureCollection\"}", SourceFormat::kJson},
        {"JSON array", "\n[1,2]", SourceFormat::kJson},
        {"classic page", "<html><tr id=\"512345\">", SourceFormat::kClassicPage},
        {"a comment line is no header", "#Event list\n", SourceFormat::kClassicPage},
        {"empty", "", SourceFormat::kClassicPage},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DetectSourceFormat(c.body), c.format) << c.name;
    }
}

TEST(SourceReaders, PrefixFromTheSourceHost) {
    struct Case {
        const char* url;
        const char* prefix;
    };
    const Case cases[] = {
        {"https://www.seismicportal.eu/fdsnws/event/1/query?format=text", "emsc"},
        {"wss://www.seismicportal.eu/standing_order/websocket", "emsc"},
        {"http://SEISMICPORTAL.EU/x", "emsc"},
        {"https://www.emsc-csem.org/", "emsc"},
        {"https://earthquake.usgs.gov/earthquakes/feed/v1.0/summary/all_hour.geojson", "usgs"},
        {"https://geofon.gfz-potsdam.de/fdsnws/event/1/query", "gfz"},
        {"https://geofon.gfz.de/fdsnws/event/1/query", "gfz"},
        {"https://webservices.ingv.it/fdsnws/event/1/query", "ingv"},
        {"http://service.iris.edu/fdsnws/event/1/query", "iris"},
        {"http://user:pw@127.0.0.1:8080/fdsn", "127.0.0.1"},
        {"http://[::1]:8080/fdsn", "::1"},
        {"https://notusgs.gov.example.com/q", "notusgs.gov.example.com"},
        {"https://fakeseismicportal.eu/q", "fakeseismicportal.eu"},
        {"https://irish-quakes.example/q", "irish-quakes.example"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SourcePrefix(c.url), c.prefix) << c.url;
    }
}

// USGS names one quake by every network's id: they come qualified, each once, without the feature's own id, the
// empty elements and a hostile flood.
TEST(SourceReaders, OtherIdsOfTheSameQuake) {
    std::string flood;
    for (int i = 0; i < 100; ++i) {
        flood += ",x" + std::to_string(i);
    }
    const struct {
        std::string ids;
        std::vector<std::string> expected;
    } cases[] = {
        {",us7000abcd,ci38457511,,ci38457511, nc1 ,", {"usgs:ci38457511", "usgs:nc1"}},
        {",us7000abcd,", {}},
        {"", {}},
        {flood, {}},
    };
    for (const auto& c : cases) {
        const std::string body =
            "{\"type\":\"Feature\",\"id\":\"us7000abcd\",\"properties\":{\"mag\":4.5,"
            "\"time\":1500000000000,\"ids\":\"" +
            c.ids + "\"},\"geometry\":{\"type\":\"Point\",\"coordinates\":[20.0,38.0,10]}}";
        const std::vector<QuakeEvent> events = ParseGeoJsonEvents(body, "usgs");
        ASSERT_EQ(events.size(), 1U) << c.ids;
        if (c.ids == flood) {
            EXPECT_EQ(events[0].otherIds.size(), 16U);
            continue;
        }
        EXPECT_EQ(events[0].otherIds, c.expected) << c.ids;
    }
}

TEST(SourceReaders, TextForms) {
    struct Case {
        double value;
        const char *magnitude, *coordinate, *depth;
    };
    const Case cases[] = {
        {4.5, "4.5", "4.50 ", "5"},          {-0.004, "0.0", "0.00 ", "0"},        {-0.005, "0.0", "-0.01 ", "0"},
        {-21.71, "-21.7", "-21.71 ", "-22"}, {2.5, "2.5", "2.50 ", "3"},           {-2.5, "-2.5", "-2.50 ", "-3"},
        {0.05, "0.1", "0.05 ", "0"},         {179.999, "180.0", "180.00 ", "180"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MagnitudeText(c.value), c.magnitude) << c.value;
        EXPECT_EQ(CoordinateText(c.value), c.coordinate) << c.value;
        EXPECT_EQ(DepthText(c.value), c.depth) << c.value;
    }
}

TEST(SourceReaders, BoundsCutAtCharacterBoundaries) {
    struct Case {
        std::string text;
        std::size_t bound;
        std::string expected;
    };
    const std::string zolw = "\xC5\xBC\xC3\xB3\xC5\x82w";  // "żółw", two-byte letters
    const std::string euro = "\xE2\x82\xAC";               // three bytes
    const std::vector<Case> cases = {
        {"abc", 3, "abc"},
        {"abcd", 3, "abc"},
        {zolw, 2, "\xC5\xBC"},
        {zolw, 3, "\xC5\xBC"},
        {zolw, 4, "\xC5\xBC\xC3\xB3"},
        {"a" + euro, 2, "a"},
        {"a" + euro, 3, "a"},
        {"a" + euro, 4, "a" + euro},
        {"\xE2\x82\xAC\xF0\x9F\x8C\x8B", 6, euro},
        {std::string(10, '\x80'), 5, std::string(5, '\x80')},  // not UTF-8: cut at the bound itself
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BoundedText(c.text, c.bound), c.expected) << c.text << " / " << c.bound;
    }
}

TEST(SourceReaders, IsoTimes) {
    struct Case {
        const char* text;
        long long ms;  // -1: not a time
    };
    const Case cases[] = {
        {"2017-10-31T00:42:12.4Z", 1509410532400LL},
        {"2017-10-31 00:42:12.400000", 1509410532400LL},
        {"2017-10-31T00:42:12", 1509410532000LL},
        {" 2017-10-31T00:42:12.4567Z ", 1509410532456LL},
        {"2017-10-31T02:42:12+02:00", 1509410532000LL},
        {"1969-12-31T23:59:59Z", -1000LL},
        {"2016-02-29T00:00:00Z", 1456704000000LL},
        {"2017-02-29T00:00:00Z", -1},
        {"2017-10-31T24:00:00Z", -1},
        {"2017-10-31T00:42:12.Z", -1},
        {"2017-10-31T00:42", -1},
        {"2017-10-31T00:42:12Zjunk", -1},
        {"", -1},
    };
    for (const Case& c : cases) {
        const auto ms = ReadIsoTimeUtcMs(c.text);
        EXPECT_EQ(ms ? *ms : -1, c.ms) << c.text;
    }
}

TEST(SourceReaders, PushMessages) {
    ScopedTz tz("UTC");
    const std::string feature =
        R"({"type": "Feature", "geometry": {"type": "Point", "coordinates": [169.11, -21.71, -25.0]},)"
        R"( "id": "20171031_0000002", "properties": {"lastupdate": "2017-10-31T06:24:00.0Z", "magtype": "mw",)"
        R"( "evtype": "ke", "lon": 169.11, "auth": "EMSC", "lat": -21.71, "depth": 25.0,)"
        R"( "unid": "20171031_0000002", "mag": 6.8, "time": "2017-10-31T00:42:12.4Z", "source_id": "627167",)"
        R"( "source_catalog": "EMSC-RTS", "flynn_region": "SOUTHEAST OF LOYALTY ISLANDS"}})";
    const Expected loyalty{"emsc:20171031_0000002",
                           "SOUTHEAST OF LOYALTY ISLANDS",
                           "2017-10-31",
                           "01:42",
                           "6.8",
                           "-21.71 ",
                           "169.11 ",
                           "25",
                           1509410532400LL,
                           -21.71,
                           169.11,
                           6.8};
    struct Case {
        const char* name;
        std::string message;
        const char* action;  // nullptr: no event
    };
    const std::vector<Case> cases = {
        {"create", R"({"action":"create","data":)" + feature + "}", "create"},
        {"update, action last", R"({"data":)" + feature + R"(,"action":"update"})", "update"},
        {"another action", R"({"action":"delete","data":)" + feature + "}", nullptr},
        {"no action", R"({"data":)" + feature + "}", nullptr},
        {"no data", R"({"action":"create"})", nullptr},
        {"data is an array", R"({"action":"create","data":[)" + feature + "]}", nullptr},
        {"cut short", (R"({"action":"create","data":)" + feature).substr(0, 200), nullptr},
        {"not JSON", "hello", nullptr},
        {"empty", "", nullptr},
    };
    for (const Case& c : cases) {
        const auto push = ParseEmscPushMessage(c.message);
        ASSERT_EQ(push.has_value(), c.action != nullptr) << c.name;
        if (push) {
            EXPECT_EQ(push->action, c.action) << c.name;
            ExpectEvent(push->event, loyalty, c.name);
        }
    }
    // Without an "id", EMSC's unid names the event.
    const std::string idMember = R"( "id": "20171031_0000002",)";
    std::string noId = feature;
    noId.erase(noId.find(idMember), idMember.size());
    const auto push = ParseEmscPushMessage(R"({"action":"create","data":)" + noId + "}");
    ASSERT_TRUE(push.has_value());
    EXPECT_EQ(push->event.eventId, "emsc:20171031_0000002");
}

// A structured source reaches the reader with its lines: the fetch keeps them, and still follows the same
// rules as the classic fetch (which joins them).
TEST(SourceReaders, FetchedWhole) {
    ScopedTz tz("UTC");
    test::HttpTestServer server;
    const std::string body = ReadData("gfz_text_honshu_2024.txt");
    server.Serve("/fdsnws/event/1/query", body, 200, "text/plain");
    const std::string url = server.Url("/fdsnws/event/1/query?format=text");
    EXPECT_EQ(FetchPageWhole(url), body);
    const auto events = ParseQuakeSource(FetchPageWhole(url), url);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].eventId, "127.0.0.1:gfz2024abmz");
    EXPECT_EQ(FetchPage(url).find('\n'), std::string::npos);
}

// USGS says whether its analysts reviewed a quake: a review is news a notice may tell.
TEST(SourceReaders, ReviewedByTheAgency) {
    const std::vector<QuakeEvent> events =
        ParseQuakeSource(ReadData("usgs_geojson_all_day_2019.geojson"),
                         "https://earthquake.usgs.gov/earthquakes/feed/v1.0/summary/all_day.geojson");
    ASSERT_EQ(events.size(), 233u);
    const auto reviewed = std::count_if(events.begin(), events.end(), [](const QuakeEvent& e) { return e.reviewed; });
    EXPECT_EQ(reviewed, 141);  // the answer's "status":"reviewed"; the other 92 are "automatic"
    const std::vector<QuakeEvent> text = ParseQuakeSource(
        ReadData("usgs_text_honshu_2024.txt"), "https://earthquake.usgs.gov/fdsnws/event/1/query?format=text");
    EXPECT_TRUE(std::none_of(text.begin(), text.end(), [](const QuakeEvent& e) { return e.reviewed; }));
}

}  // namespace
}  // namespace dravik
