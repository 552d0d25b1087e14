#include "mainwindow/map_page.h"

#include <charconv>
#include <cmath>

namespace dravik {

namespace {

// Longer texts are no coordinate the feed writes; the cap also bounds the work done for a hostile query.
constexpr std::size_t kMaxCoordinateLength = 32;

}  // namespace

int MapKindForPath(const std::string& path) {
    static const char* const kPaths[] = {"/mapa/m.php", "/mapa/ms.php", "/mapa/mh.php", "/mapa/mf.php"};
    for (int kind = 0; kind < 4; ++kind) {
        if (path == kPaths[kind]) {
            return kind;
        }
    }
    return -1;
}

std::optional<double> ParseCoordinate(const std::string& text, double limit) {
    if (text.empty() || text.size() > kMaxCoordinateLength) {
        return std::nullopt;
    }
    std::size_t pos = 0;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        pos = 1;
    }
    // Digits, then optionally a point and more digits: no exponent, no hex, no "inf" or "nan".
    const std::size_t intStart = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        ++pos;
    }
    if (pos == intStart) {
        return std::nullopt;
    }
    if (pos < text.size() && text[pos] == '.') {
        const std::size_t fracStart = ++pos;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            ++pos;
        }
        if (pos == fracStart) {
            return std::nullopt;
        }
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    double value = 0;
    const char* first = text.data() + intStart;
    const char* last = text.data() + text.size();
    const auto result = std::from_chars(first, last, value, std::chars_format::fixed);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value) || value > limit) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<MapPosition> ParseMapPosition(const std::string& wsp1, const std::string& wsp2) {
    const auto lat = ParseCoordinate(wsp1, 90.0);
    const auto lon = ParseCoordinate(wsp2, 180.0);
    if (!lat || !lon) {
        return std::nullopt;
    }
    return MapPosition{*lat, *lon};
}

}  // namespace dravik
