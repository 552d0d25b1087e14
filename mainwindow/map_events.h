#pragma once

#include <ctime>
#include <optional>
#include <string>

// What the map draws of the listed events, as pure functions of the list's texts.
namespace dravik {

// How old an event is, which colours its circle: within the last hour, the last day, or older.
enum class EventAge { kLastHour = 0, kLastDay = 1, kOlder = 2 };

// The moment of an event from its list texts ("2016-05-10", "19:03"), which the feed writes one hour after
// the source's universal time; none when the texts are no valid date and time.
std::optional<std::time_t> EventTimeUtc(const std::string& data1, const std::string& data2);

// An event without a time counts as older; one ahead of the clock (a clock set wrong) as of the last hour.
EventAge AgeOf(const std::optional<std::time_t>& when, std::time_t now);

// The circle's radius in pixels: grows with the magnitude, by 45 % a unit, from 3 pixels (a magnitude 2 or
// less, or a text that is no number) to 40 (from about magnitude 9).
double CircleRadius(const std::string& mag);

// One listed event as a circle: its position and its texts as the list shows them.
struct MapEvent {
    double lat = 0;
    double lon = 0;
    double radius = 0;
    std::string mag;
    std::string region;
    std::string date;
    std::string time;
    std::optional<std::time_t> when;
};

// The circle of a list row, or none when its coordinates are no position (the blanks the feed leaves are
// dropped first).
std::optional<MapEvent> MapEventFromRow(const std::string& mag, const std::string& region, const std::string& data1,
                                        const std::string& data2, const std::string& wsp1, const std::string& wsp2);

}  // namespace dravik
