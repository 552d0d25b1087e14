#include "mainwindow/map_events.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "alerts/time_display.h"
#include "mainwindow/map_page.h"

namespace dravik {

namespace {

constexpr double kMinRadius = 3;
constexpr double kMaxRadius = 40;

std::string WithoutBlanks(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return text;
}

}  // namespace

std::optional<std::time_t> EventTimeUtc(const std::string& data1, const std::string& data2) {
    std::time_t shown = 0;
    // Before 1970 is no age a circle shows.
    if (!ArchiveReadingSeconds(data1, data2, &shown) || shown < 0) {
        return std::nullopt;
    }
    return shown - 3600;
}

EventAge AgeOf(const std::optional<std::time_t>& when, std::time_t now) {
    if (!when) {
        return EventAge::kOlder;
    }
    const double age = std::difftime(now, *when);
    if (age < 3600) {
        return EventAge::kLastHour;
    }
    return age < 86400 ? EventAge::kLastDay : EventAge::kOlder;
}

double CircleRadius(const std::string& mag) {
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", nullptr);
    char* end = nullptr;
    const double value = ::strtod_l(mag.c_str(), &end, c);
    if (end == mag.c_str() || !std::isfinite(value)) {
        return kMinRadius;
    }
    // Energy grows some thirty times a unit; a radius growing by almost half a unit keeps a large quake prominent
    // without hiding its neighbours.
    const double radius = kMinRadius * std::pow(1.45, std::min(value, 20.0) - 2.0);
    return std::clamp(radius, kMinRadius, kMaxRadius);
}

std::optional<MapEvent> MapEventFromRow(const std::string& mag, const std::string& region, const std::string& data1,
                                        const std::string& data2, const std::string& wsp1, const std::string& wsp2) {
    const std::optional<MapPosition> position = ParseMapPosition(WithoutBlanks(wsp1), WithoutBlanks(wsp2));
    if (!position) {
        return std::nullopt;
    }
    MapEvent event;
    event.lat = position->lat;
    event.lon = position->lon;
    event.radius = CircleRadius(mag);
    event.mag = mag;
    event.region = region;
    event.date = data1;
    event.time = data2;
    event.when = EventTimeUtc(data1, data2);
    return event;
}

}  // namespace dravik
