#include "sources/space_weather.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <utility>

#include "sources/quake_parser.h"

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

// NOAA's real-time solar wind: an array of readings, newest first, several spacecraft interleaved. The
// newest reading of the active spacecraft with both values counts. Read as a stream that stops at that
// reading, so no document is built: a page of millions of small values costs no memory, and the numbers
// keep the form the JSON writes them in.
class SolarWindReader final : public nlohmann::json_sax<nlohmann::json> {
public:
    bool null() override { return Value(std::nullopt); }
    bool boolean(bool value) override {
        if (InReadingMember() && m_key == "active") {
            m_active = value;  // only the boolean true counts
        }
        return true;
    }
    bool number_integer(number_integer_t value) override { return Value(std::to_string(value)); }
    bool number_unsigned(number_unsigned_t value) override { return Value(std::to_string(value)); }
    bool number_float(number_float_t, const string_t& raw) override { return Value(raw); }
    bool string(string_t& value) override { return Value(value); }
    bool binary(binary_t&) override { return Value(std::nullopt); }
    bool start_object(std::size_t) override {
        ++m_depth;
        if (m_depth == 2 && m_topIsArray) {
            m_inReading = true;
            m_active = false;
            m_speed.reset();
            m_density.reset();
        }
        return true;
    }
    bool key(string_t& name) override {
        if (m_depth == 2) {
            m_key = name;
        }
        return true;
    }
    bool end_object() override {
        if (m_depth == 2 && m_inReading) {
            m_inReading = false;
            if (m_active && m_speed && m_density) {
                m_found = true;
                return false;  // the newest usable reading: nothing after it matters
            }
        }
        --m_depth;
        return true;
    }
    bool start_array(std::size_t) override {
        if (m_depth == 0) {
            m_topIsArray = true;
        }
        ++m_depth;
        return true;
    }
    bool end_array() override {
        --m_depth;
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

    bool Found() const { return m_found; }
    const std::string& Speed() const { return *m_speed; }
    const std::string& Density() const { return *m_density; }

private:
    bool InReadingMember() const { return m_inReading && m_depth == 2; }

    // A scalar member of a reading other than a boolean; null leaves a value unset.
    bool Value(std::optional<std::string> text) {
        if (InReadingMember()) {
            if (m_key == "proton_speed") {
                m_speed = std::move(text);
            } else if (m_key == "proton_density") {
                m_density = std::move(text);
            } else if (m_key == "active") {
                m_active = false;
            }
        }
        return true;
    }

    int m_depth = 0;
    bool m_topIsArray = false;
    bool m_inReading = false;
    bool m_found = false;
    bool m_active = false;
    std::string m_key;
    std::optional<std::string> m_speed;
    std::optional<std::string> m_density;
};

// True when the page is JSON (then the values come from it, or stay empty); false for another page.
bool ReadSolarWindJson(const std::string& page, std::string* speed, std::string* density) {
    const auto start = page.find_first_not_of(" \t\r\n");
    if (start == std::string::npos || (page[start] != '[' && page[start] != '{')) {
        return false;
    }
    SolarWindReader reader;
    const bool complete = nlohmann::json::sax_parse(page, &reader);
    if (reader.Found()) {
        *speed = reader.Speed();
        *density = reader.Density();
        return true;
    }
    return complete;
}

// Longest value shown: a reading has a handful of digits, and the status line has no room for more.
constexpr std::size_t kMaxValueBytes = 16;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value as written when it is a number (blanks around it allowed), else empty: whatever else a page
// holds between the markers (markup, script, megabytes of text) never reaches the window.
std::string ShownValue(const std::string& text) {
    if (text.size() > kMaxValueBytes) {
        return {};
    }
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
            ++i;
        }
    };
    const auto digits = [&] {
        const std::size_t first = i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
        }
        return i - first;
    };
    skipBlanks();
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        ++i;
    }
    std::size_t mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) {
        return {};
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
            ++i;
        }
        if (digits() == 0) {
            return {};
        }
    }
    skipBlanks();
    return i == text.size() ? text : std::string();
}

}  // namespace

std::string SolarWindStatusText(const std::string& page) {
    return SolarWindStatusText(page, "Prędkość wiatru słonecznego: %1 km/s, gęstość: %2 protonów/cm³");
}

namespace {

void ReadSolarWindValues(const std::string& page, std::string* speed, std::string* density) {
    if (!ReadSolarWindJson(page, speed, density)) {
        *speed = MarkedValue(page, kSpeedMarker);
        *density = MarkedValue(page, kDensityMarker);
    }
    *speed = ShownValue(*speed);
    *density = ShownValue(*density);
}

}  // namespace

std::string SolarWindStatusText(const std::string& page, const std::string& form, const std::string& noData) {
    std::string speed;
    std::string density;
    ReadSolarWindValues(page, &speed, &density);
    return speed.empty() && density.empty() ? noData : SolarWindStatusText(page, form);
}

std::string SolarWindStatusText(const std::string& page, const std::string& form) {
    std::string speed;
    std::string density;
    ReadSolarWindValues(page, &speed, &density);
    // Each mark once, the later first so that the earlier keeps its place; a value never becomes part of the form.
    std::string text = form;
    const std::size_t speedAt = text.find("%1");
    const std::size_t densityAt = text.find("%2");
    const auto put = [&text](std::size_t at, const std::string& value) {
        if (at != std::string::npos) {
            text.replace(at, 2, value);
        }
    };
    if (speedAt != std::string::npos && densityAt != std::string::npos && speedAt > densityAt) {
        put(speedAt, speed);
        put(densityAt, density);
    } else {
        put(densityAt, density);
        put(speedAt, speed);
    }
    return text;
}

std::string XRayEventText(const std::string& page) {
    const auto table = page.find(kXRayTable);
    if (table == std::string::npos || table == 0) {
        return {};
    }
    return TextBetween(page, "<td align=\"center\">", "</td>", 0);
}

}  // namespace dravik
