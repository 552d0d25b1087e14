#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "sources/event_fields.h"
#include "sources/geojson_events.h"
#include "sources/quake_source.h"
#include "sources/space_weather.h"
#include "tests/common/peak_memory.h"
#include "tests/common/scoped_tz.h"
#include "tests/common/timing.h"

namespace dravik {
namespace {

using test::ScopedTz;

const char kFdsnUrl[] = "https://www.seismicportal.eu/fdsnws/event/1/query?format=text";
const char kHeader14[] =
    "#EventID|Time|Latitude|Longitude|Depth/km|Author|Catalog|Contributor|ContributorID|MagType|Magnitude|"
    "MagAuthor|EventLocationName|EventType";

// One line in the 14 columns above.
std::string Line(const std::string& id, const std::string& time, const std::string& lat, const std::string& lon,
                 const std::string& depth, const std::string& mag, const std::string& region,
                 const std::string& type = "earthquake") {
    return id + "|" + time + "|" + lat + "|" + lon + "|" + depth + "|EMSC|EMSC-RTS|EMSC|1|mb|" + mag + "|EMSC|" +
           region + "|" + type;
}

std::string Good(const std::string& id) {
    return Line(id, "2024-01-01T09:30:22.43Z", "37.5434", "137.3697", "13.0", "5.2", "HONSHU");
}

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

std::vector<std::string> Ids(const std::vector<QuakeEvent>& events) {
    std::vector<std::string> ids;
    for (const QuakeEvent& e : events) {
        ids.push_back(e.eventId);
    }
    return ids;
}

using test::PeakGrowthBytes;

TEST(SourceHostile, FdsnLinesThatDoNotRead) {
    ScopedTz tz("UTC");
    const std::string huge(30u << 20, 'x');
    struct Case {
        const char* name;
        std::string line;
        bool reads;
    };
    const std::vector<Case> cases = {
        {"short line", "A|2024-01-01T09:30:22Z|37.5|137.3", false},
        {"empty line", "", false},
        {"comment line", "#A|2024-01-01T09:30:22Z|37.5|137.3|13|EMSC|EMSC-RTS|EMSC|1|mb|5.2|EMSC|X|ke", false},
        {"one field too many", Good("A") + "|extra", false},
        {"trailing empty column left out", Line("A", "2024-01-01T09:30:22Z", "1", "2", "3", "4", "R", ""), true},
        {"last column left out",
         [] {
             const std::string line = Line("A", "2024-01-01T09:30:22Z", "1", "2", "3", "4", "R");
             return line.substr(0, line.rfind('|'));
         }(),
         true},
        {"empty depth and region", Line("A", "2024-01-01T09:30:22Z", "1", "2", "", "4", ""), true},
        {"empty id", Line("", "2024-01-01T09:30:22Z", "1", "2", "3", "4", "R"), false},
        {"empty magnitude", Line("A", "2024-01-01T09:30:22Z", "1", "2", "3", "", "R"), false},
        {"magnitude a word", Line("A", "2024-01-01T09:30:22Z", "1", "2", "3", "big", "R"), false},
        {"magnitude 10.1", Line("A", "2024-01-01T09:30:22Z", "1", "2", "3", "10.1", "R"), false},
        {"magnitude -2.1", Line("A", "2024-01-01T09:30:22Z", "1", "2", "3", "-2.1", "R"), false},
        {"magnitude 10.0", Line("A", "2024-01-01T09:30:22Z", "1", "2", "3", "10.0", "R"), true},
        {"magnitude -2.0", Line("A", "2024-01-01T09:30:22Z", "1", "2", "3", "-2.0", "R"), true},
        {"magnitude nan", Line("A", "2024-01-01T09:30:22Z", "1", "2", "3", "nan", "R"), false},
        {"magnitude of a million digits",
         Line("A", "2024-01-01T09:30:22Z", "1", "2", "3", "1" + std::string(1u << 20, '0'), "R"), false},
        {"latitude 90.01", Line("A", "2024-01-01T09:30:22Z", "90.01", "2", "3", "4", "R"), false},
        {"longitude -180.5", Line("A", "2024-01-01T09:30:22Z", "1", "-180.5", "3", "4", "R"), false},
        {"latitude -90, longitude 180", Line("A", "2024-01-01T09:30:22Z", "-90", "180", "3", "4", "R"), true},
        {"depth a word", Line("A", "2024-01-01T09:30:22Z", "1", "2", "deep", "4", "R"), false},
        {"depth 1e300: read, the depth unknown", Line("A", "2024-01-01T09:30:22Z", "1", "2", "1e300", "4", "R"), true},
        {"id with a control byte", Line("A\x01", "2024-01-01T09:30:22Z", "1", "2", "3", "4", "R"), false},
        {"id with a NUL", Line(std::string("A\0B", 3), "2024-01-01T09:30:22Z", "1", "2", "3", "4", "R"), false},
        {"time without seconds", Line("A", "2024-01-01T09:30", "1", "2", "3", "4", "R"), false},
        {"time on 31 April", Line("A", "2024-04-31T09:30:00Z", "1", "2", "3", "4", "R"), false},
        {"NUL in the time", Line("A", std::string("2024-01-01T09:30:22\0Z", 21), "1", "2", "3", "4", "R"), false},
        {"id of 256 bytes", Line(std::string(256, 'i'), "2024-01-01T09:30:22Z", "1", "2", "3", "4", "R"), false},
        {"id of 30 MiB", Line(huge, "2024-01-01T09:30:22Z", "1", "2", "3", "4", "R"), false},
    };
    for (const Case& c : cases) {
        const std::string body = std::string(kHeader14) + "\n" + Good("first") + "\n" + c.line + "\n" + Good("last");
        std::vector<std::string> expected = {"emsc:first"};
        if (c.reads) {
            expected.push_back("emsc:A");
        }
        expected.push_back("emsc:last");
        EXPECT_EQ(Ids(ParseQuakeSource(body, kFdsnUrl)), expected) << c.name;
    }
}

// A depth no quake has is unknown, the quake still read: it must neither show nor weaken the shaking.
TEST(SourceHostile, DepthsNoQuakeHasAreUnknown) {
    ScopedTz tz("UTC");
    const std::pair<const char*, const char*> cases[] = {{"-50", ""},   {"99999", ""}, {"-10", "-10"},  {"800", "800"},
                                                         {"-10.6", ""}, {"800.4", ""}, {"799.6", "800"}};
    for (const auto& [depth, shown] : cases) {
        const auto events = ParseQuakeSource(
            std::string(kHeader14) + "\n" + Line("A", "2024-01-01T09:30:22Z", "1", "2", depth, "4", "R"), kFdsnUrl);
        ASSERT_EQ(events.size(), 1u) << depth;
        EXPECT_EQ(events[0].depth, shown) << depth;
    }
}

TEST(SourceHostile, FdsnFieldsBoundedAndCleaned) {
    ScopedTz tz("UTC");
    const std::string region300 = std::string(254, 'r') + "\xC5\xBC" + std::string(44, 'r');  // "ż" across 255
    const std::string body =
        std::string(kHeader14) + "\n" +
        Line("withcontrol", "2024-01-01T09:30:22Z", "1", "2", "3", "4", std::string("CRE\0TE\x1B", 7)) + "\n" +
        Line("long", "2024-01-01T09:30:22Z", "-0.001", "-0.004", "-1.5", "4", region300) + "\n" +
        Line("huge", "2024-01-01T09:30:22Z", "1", "2", "3", "4", std::string(30u << 20, 'h'));
    const auto events = ParseQuakeSource(body, kFdsnUrl);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].eventId, "emsc:withcontrol");
    EXPECT_EQ(events[0].region, "CRETE");
    EXPECT_EQ(events[1].region, std::string(254, 'r'));  // not cut inside the two bytes of "ż"
    EXPECT_EQ(events[1].wsp1, "0.00 ");
    EXPECT_EQ(events[1].wsp2, "0.00 ");
    EXPECT_EQ(events[1].depth, "-2");
    EXPECT_EQ(events[2].region, std::string(255, 'h'));
    for (const QuakeEvent& e : events) {
        for (const std::string* field : {&e.data1, &e.data2, &e.mag, &e.wsp1, &e.wsp2, &e.depth}) {
            EXPECT_LE(field->size(), kMaxFieldBytes);
        }
    }
}

TEST(SourceHostile, FdsnHeaders) {
    ScopedTz tz("UTC");
    const std::string seven = "A | 2024-01-01T09:30:22Z | 1 | 2 | 3 | 4 | R";
    const std::string five = "A|2024-01-01T09:30:22Z|1|2|4";
    std::string columns65 = "#EventID|Time|Latitude|Longitude|Depth/km|Magnitude|EventLocationName";
    for (int i = 0; i < 58; ++i) {
        columns65 += "|X";
    }
    struct Case {
        const char* name;
        std::string header, line;
        std::size_t events;
    };
    const std::vector<Case> cases = {
        {"any case, blanks", "# eventid | TIME | LATITUDE | longitude | DEPTH/KM | Magnitude | EventLocationName",
         seven, 1},
        {"no depth or region column", "#EventID|Time|Latitude|Longitude|Magnitude", five, 1},
        {"no magnitude column", "#EventID|Time|Latitude|Longitude|Depth/km|Mag|EventLocationName", seven, 0},
        {"65 columns", columns65, seven, 0},
        {"a million separators",
         "#EventID|Time|Latitude|Longitude|Depth/km|Magnitude|EventLocationName" + std::string(1u << 20, '|'), seven,
         0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseQuakeSource(c.header + "\n" + c.line + "\n", kFdsnUrl).size(), c.events) << c.name;
    }
}

TEST(SourceHostile, GeoJsonFeaturesThatDoNotRead) {
    ScopedTz tz("UTC");
    const auto feature = [](const std::string& properties, const std::string& coordinates, const std::string& id) {
        return R"({"type":"Feature","properties":{)" + properties + R"(},"geometry":{"type":"Point","coordinates":)" +
               coordinates + R"(},"id":)" + id + "}";
    };
    const std::string good =
        feature(R"("mag":4.7,"place":"P","time":1512339997990)", "[127.6764,4.6172,114.05]", R"("good")");
    struct Case {
        const char* name;
        std::string feature;
        std::string region;  // empty: the feature is skipped
    };
    const std::vector<Case> cases = {
        {"magnitude a string", feature(R"("mag":"4.7","place":"X","time":1)", "[1,2,3]", R"("x")"), ""},
        {"magnitude null", feature(R"("mag":null,"place":"X","time":1)", "[1,2,3]", R"("x")"), ""},
        {"magnitude 11", feature(R"("mag":11,"place":"X","time":1)", "[1,2,3]", R"("x")"), ""},
        {"no time", feature(R"("mag":1,"place":"X")", "[1,2,3]", R"("x")"), ""},
        {"time a word", feature(R"("mag":1,"place":"X","time":"noon")", "[1,2,3]", R"("x")"), ""},
        {"time 1e300", feature(R"("mag":1,"place":"X","time":1e300)", "[1,2,3]", R"("x")"), ""},
        {"time past year 9999", feature(R"("mag":1,"place":"X","time":253402300800000)", "[1,2,3]", R"("x")"), ""},
        {"one coordinate", feature(R"("mag":1,"place":"X","time":1)", "[1]", R"("x")"), ""},
        {"coordinate a string", feature(R"("mag":1,"place":"X","time":1)", R"([1,"2",3])", R"("x")"), ""},
        {"coordinates an object", feature(R"("mag":1,"place":"X","time":1)", R"({"a":1})", R"("x")"), ""},
        {"latitude 91", feature(R"("mag":1,"place":"X","time":1)", "[1,91,3]", R"("x")"), ""},
        {"no id", feature(R"("mag":1,"place":"X","time":1)", "[1,2,3]", "null"), ""},
        {"id a number", feature(R"("mag":1,"place":"N","time":1)", "[1,2,3]", "12345"), "N"},
        {"no depth", feature(R"("mag":1,"place":"D","time":1)", "[1,2]", R"("x")"), "D"},
        {"place null, flynn_region",
         feature(R"("mag":1,"place":null,"flynn_region":"F","time":1)", "[1,2,3]", R"("x")"), "F"},
        {"NUL escaped in the place", feature(R"("mag":1,"place":"A\u0000B","time":1)", "[1,2,3]", R"("x")"), "AB"},
        {"long place, two-byte letters",
         feature(R"("mag":1,"time":1,"place":")" + Repeat("\xC3\xA9", 3000) + "\"", "[1,2,3]", R"("x")"),
         Repeat("\xC3\xA9", 127)},
        {"long place, escapes",
         feature(R"("mag":1,"time":1,"place":")" + Repeat("\\u00e9", 1000) + "\"", "[1,2,3]", R"("x")"),
         Repeat("\xC3\xA9", 127)},
        {"long place, escaped quote at the bound",
         feature(R"("mag":1,"time":1,"place":")" + std::string(4095, 'q') + R"(\"\"tail")", "[1,2,3]", R"("x")"),
         std::string(255, 'q')},
        {"long place, \\u escape across the bound",
         feature(R"("mag":1,"time":1,"place":"é)" + std::string(4093, 'q') + R"(\u0041\u0042")", "[1,2,3]", R"("x")"),
         "é" + std::string(253, 'q')},
        {"long key",
         feature(R"("mag":1,"time":1,")" + std::string(100000, 'k') + R"(":2,"place":"K")", "[1,2,3]", R"("x")"), "K"},
        {"deep value in the properties",
         feature(R"("mag":1,"place":"Q","time":1,"extra":)" + std::string(40, '[') + std::string(40, ']'), "[1,2,3]",
                 R"("x")"),
         ""},
    };
    for (const Case& c : cases) {
        const std::string body =
            R"({"type":"FeatureCollection","features":[)" + good + "," + c.feature + "," + good + "]}";
        const auto events = ParseQuakeSource(body, "https://earthquake.usgs.gov/x");
        const bool deep = std::string(c.name).find("deep") != std::string::npos;
        // Nesting deeper than any feed stops the reading there: what came before still counts.
        const std::size_t expected = deep ? 1 : c.region.empty() ? 2 : 3;
        ASSERT_EQ(events.size(), expected) << c.name;
        if (expected == 3) {
            EXPECT_EQ(events[1].region, c.region) << c.name;
        }
    }
}

TEST(SourceHostile, NotAnEventDocument) {
    const std::vector<std::string> bodies = {
        "[1,2,3]",
        R"({"features":{"type":"Feature"}})",
        R"({"features":[1,"x",null,[],{}]})",
        "{",
        std::string("{\"features\":[\0]}", 16),
        std::string(1u << 20, '[') + std::string(1u << 20, ']'),
        std::string(1u << 20, '{'),
    };
    for (const std::string& body : bodies) {
        EXPECT_TRUE(ParseQuakeSource(body, "https://earthquake.usgs.gov/x").empty()) << body.substr(0, 40);
    }
}

// A 30 MiB single value, in each kind of source: the fields stay within their bounds, and neither time nor
// memory grows beyond a small multiple of the body.
TEST(SourceHostile, HugeSingleValuesStayCheap) {
    ScopedTz tz("UTC");
    const std::string huge(30u << 20, 'z');
    struct Case {
        const char* name;
        std::string body;
        std::function<std::size_t(const std::string&)> read;  // events read
    };
    const std::vector<Case> cases = {
        {"FDSN region", std::string(kHeader14) + "\n" + Line("A", "2024-01-01T09:30:22Z", "1", "2", "3", "4", huge),
         [](const std::string& b) { return ParseQuakeSource(b, kFdsnUrl).size(); }},
        {"GeoJSON place",
         R"({"features":[{"id":"a","properties":{"mag":1,"time":1,"place":")" + huge +
             R"("},"geometry":{"coordinates":[1,2,3]}}]})",
         [](const std::string& b) { return ParseQuakeSource(b, "https://earthquake.usgs.gov/x").size(); }},
        {"GeoJSON number", R"({"features":[{"id":"a","properties":{"mag":1)" + std::string(30u << 20, '0') + "}}]}",
         [](const std::string& b) { return ParseQuakeSource(b, "https://earthquake.usgs.gov/x").size() + 1; }},
        {"push region",
         R"({"action":"create","data":{"id":"a","properties":{"mag":1,"time":1,"lat":1,"lon":2,"flynn_region":")" +
             huge + R"("}}})",
         [](const std::string& b) {
             const auto push = ParseEmscPushMessage(b);
             return push && push->event.region.size() == kMaxRegionBytes ? std::size_t{1} : std::size_t{0};
         }},
        {"solar wind value", "<p>speed: <b>" + huge + "</b> density: <b>5.1</b>",
         [](const std::string& b) {
             return SolarWindStatusText(b) == "Prędkość wiatru słonecznego:  km/s, gęstość: 5.1 protonów/cm³"
                        ? std::size_t{1}
                        : std::size_t{0};
         }},
    };
    for (const Case& c : cases) {
        const double start = test::ThreadCpuSeconds();
        EXPECT_EQ(c.read(c.body), 1u) << c.name;
        const double seconds = test::ThreadCpuSeconds() - start;
        if (!test::kTimingMeaningful) {
            continue;  // time and memory would measure the sanitizer
        }
        EXPECT_LT(seconds, 3.0) << c.name;
        const long long growth = PeakGrowthBytes([&] { (void)c.read(c.body); });
        ASSERT_GE(growth, 0) << c.name;
        EXPECT_LT(growth, 3 * static_cast<long long>(c.body.size()) + (32 << 20)) << c.name;
    }
}

TEST(SourceHostile, EventCountBounded) {
    ScopedTz tz("UTC");
    std::string body = std::string(kHeader14) + "\n";
    const std::string line = Good("x") + "\n";
    while (body.size() < (8u << 20)) {
        body += line;
    }
    EXPECT_EQ(ParseQuakeSource(body, kFdsnUrl).size(), kMaxSourceEvents);
    std::string json = R"({"features":[)";
    const std::string feature = R"({"id":"a","properties":{"mag":1,"time":1},"geometry":{"coordinates":[1,2]}},)";
    while (json.size() < (8u << 20)) {
        json += feature;
    }
    EXPECT_EQ(ParseQuakeSource(json, "https://earthquake.usgs.gov/x").size(), kMaxSourceEvents);
}

}  // namespace
}  // namespace dravik
