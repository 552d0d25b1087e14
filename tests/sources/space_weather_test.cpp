#include "sources/space_weather.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/timing.h"

namespace dravik {
namespace {

std::string Status(const std::string& speed, const std::string& density) {
    return "Prędkość wiatru słonecznego: " + speed + " km/s, gęstość: " + density + " protonów/cm³";
}

TEST(SpaceWeather, SolarWindPageForms) {
    struct Case {
        const char* name;
        std::string page;
        std::string speed, density;
    };
    const std::vector<Case> cases = {
        {"both values", "<p>Solar wind speed: <b>412.3</b> km/sec density: <b>5.1</b> protons/cm3</p>", "412.3", "5.1"},
        {"blanks kept, anything but a number refused", "<p>speed: <b> 412.3 </b> density: <b>5.1&nbsp;</b>", " 412.3 ",
         ""},
        {"markup between the markers", "<p>speed: <b><script>x()</script>412</b> density: <b>-4.5e1</b>", "", "-4.5e1"},
        {"a number of 16 bytes at most", "<p>speed: <b>123456789.123456</b> density: <b>123456789.1234567</b>",
         "123456789.123456", ""},
        {"no digits", "<p>speed: <b>.</b> density: <b>1e</b>", "", ""},
        {"only speed", "<p>speed: <b>380</b></p>", "380", ""},
        {"speed marker at the very start does not count", "speed: <b>380</b> density: <b>4</b>", "", "4"},
        {"value without its end", "<p>speed: <b>380 density: <b>4", "", ""},
        {"empty page", "", "", ""},
        {"upper case marker is another text", "<p>Speed: <B>380</B>", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SolarWindStatusText(c.page), Status(c.speed, c.density)) << c.name;
    }
}

TEST(SpaceWeather, SolarWindJson) {
    struct Case {
        const char* name;
        std::string page;
        std::string speed, density;
    };
    const std::string inactive =
        R"({"time_tag":"2026-03-01T10:05:00","active":false,"source":"DSCOVR","proton_speed":501.2,)"
        R"("proton_density":7.44,"proton_temperature":91000})";
    const std::string nullSpeed =
        R"({"time_tag":"2026-03-01T10:05:00","active":true,"source":"ACE","proton_speed":null,)"
        R"("proton_density":3.1,"proton_temperature":null})";
    const std::string good = R"({"time_tag":"2026-03-01T10:04:00","active":true,"source":"ACE","proton_speed":412.3,)"
                             R"("proton_density":5.12,"proton_temperature":65000})";
    const std::string older = R"({"time_tag":"2026-03-01T10:03:00","active":true,"source":"ACE","proton_speed":399,)"
                              R"("proton_density":4.0,"proton_temperature":64000})";
    const std::vector<Case> cases = {
        {"newest usable reading", "[" + inactive + "," + nullSpeed + "," + good + "," + older + "]", "412.3", "5.12"},
        {"numbers as written", "[\n  " + older + "\n]\n", "399", "4.0"},
        {"a string that is no number", R"([{"active":true,"proton_speed":"<b>","proton_density":"5.5"}])", "", "5.5"},
        {"padding kept", R"([{"active":true,"proton_speed":4.10e2,"proton_density":5.10}])", "4.10e2", "5.10"},
        {"a usable reading before damage", "[" + good + ",{\"active\":tru", "412.3", "5.12"},
        {"active must be true itself", R"([{"active":"true","proton_speed":1,"proton_density":2},)" + older + "]",
         "399", "4.0"},
        {"no usable reading", "[" + inactive + "," + nullSpeed + "]", "", ""},
        {"missing keys", R"([{"active":true,"proton_speed":400}])", "", ""},
        {"empty array", "[]", "", ""},
        {"object instead of array", "{\"proton_speed\":400}", "", ""},
        {"not JSON", "[this is not json", "", ""},
        {"cut short", "[" + good.substr(0, 40), "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SolarWindStatusText(c.page), Status(c.speed, c.density)) << c.name;
    }
}

TEST(SpaceWeather, HostileJsonStaysCheap) {
    const std::string empty = "Prędkość wiatru słonecznego:  km/s, gęstość:  protonów/cm³";
    // Deep nesting must not exhaust the stack, and millions of values before the reading are passed over
    // without building a document.
    const std::string deep = std::string(1 << 20, '[') + std::string(1 << 20, ']');
    EXPECT_EQ(SolarWindStatusText(deep), empty);
    std::string huge = "[";
    while (huge.size() < (9u << 20)) {
        huge += "[],";
    }
    huge += "{\"active\":true,\"proton_speed\":1,\"proton_density\":2}]";
    const double start = test::ThreadCpuSeconds();
    EXPECT_EQ(SolarWindStatusText(huge), Status("1", "2"));
    if (test::kTimingMeaningful) {
        EXPECT_LT(test::ThreadCpuSeconds() - start, 2.0);
    }
}

TEST(SpaceWeather, XRayEventCell) {
    const std::string table =
        "<html><h2>GOES 15 X-Ray Events 1-8A</h2><table><tr><td>Begin</td>"
        "<td align=\"center\">C1.4</td><td align=\"center\">M2.0</td></tr></table>";
    EXPECT_EQ(XRayEventText(table), "C1.4");
    EXPECT_EQ(XRayEventText("<html><td align=\"center\">C1.4</td>"), "");                     // not the events table
    EXPECT_EQ(XRayEventText("GOES 15 X-Ray Events 1-8A<td align=\"center\">C1.4</td>"), "");  // at position 0
    EXPECT_EQ(XRayEventText(""), "");
}

}  // namespace
}  // namespace dravik
