#include "feed/space_weather.h"

#include <nlohmann/json.hpp>

#include "feed/quake_parser.h"

namespace dravik {
namespace {

const char kSpeedMarker[] = "speed: <b>";
const char kDensityMarker[] = "density: <b>";
const char kValueEnd[] = "</b>";
const char kXRayTable[] = "GOES 15 X-Ray Events 1-8A";

// The text after `marker` up to the next "</b>"; a marker at the very start of the page does not count.
std::string MarkedValue(const std::string& page, const std::string& marker) {
    const auto s = page.find(marker);
    if (s == std::string::npos || s == 0) {
        return {};
    }
    const auto e = page.find(kValueEnd, s);
    if (e == std::string::npos || e == 0 || e < s + marker.size()) {
        return {};
    }
    return page.substr(s + marker.size(), e - s - marker.size());
}

// A reading as the JSON writes it: numbers in their shortest exact form, texts as they are.
bool ValueText(const nlohmann::json& value, std::string* text) {
    if (value.is_number()) {
        *text = value.dump();
        return true;
    }
    if (value.is_string()) {
        *text = value.get<std::string>();
        return true;
    }
    return false;
}

// NOAA's real-time solar wind: an array of readings, newest first, several spacecraft interleaved. The
// newest reading of the active spacecraft with both values counts.
bool ReadSolarWindJson(const std::string& page, std::string* speed, std::string* density) {
    const auto start = page.find_first_not_of(" \t\r\n");
    if (start == std::string::npos || (page[start] != '[' && page[start] != '{')) {
        return false;
    }
    const nlohmann::json doc = nlohmann::json::parse(page, nullptr, false);
    if (doc.is_discarded()) {
        return false;
    }
    if (!doc.is_array()) {
        return true;
    }
    for (const nlohmann::json& reading : doc) {
        if (!reading.is_object()) {
            continue;
        }
        const auto active = reading.find("active");
        const auto speedValue = reading.find("proton_speed");
        const auto densityValue = reading.find("proton_density");
        if (active == reading.end() || !active->is_boolean() || !active->get<bool>() || speedValue == reading.end() ||
            densityValue == reading.end()) {
            continue;
        }
        std::string s;
        std::string d;
        if (ValueText(*speedValue, &s) && ValueText(*densityValue, &d)) {
            *speed = s;
            *density = d;
            return true;
        }
    }
    return true;
}

}  // namespace

std::string SolarWindStatusText(const std::string& page) {
    std::string speed;
    std::string density;
    if (!ReadSolarWindJson(page, &speed, &density)) {
        speed = MarkedValue(page, kSpeedMarker);
        density = MarkedValue(page, kDensityMarker);
    }
    return "Prędkość wiatru słonecznego: " + speed + " km/s, gęstość: " + density + " protonów/cm3";
}

std::string XRayEventText(const std::string& page) {
    const auto table = page.find(kXRayTable);
    if (table == std::string::npos || table == 0) {
        return {};
    }
    return TextBetween(page, "<td align=\"center\">", "</td>", 0);
}

}  // namespace dravik
