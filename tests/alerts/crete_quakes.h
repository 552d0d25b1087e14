#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "sources/quake_parser.h"

// Quakes of a made sequence off Crete, for the tests of sequences and of their notices.
namespace dravik::test {

constexpr std::int64_t kMinuteMs = 60 * 1000;
constexpr std::int64_t kHourMs = 60 * kMinuteMs;
constexpr std::int64_t kDayMs = 24 * kHourMs;
constexpr std::int64_t kStart = 1704093009476LL;  // 2024-01-01 07:10:09.476 UTC
constexpr double kKmPerDegree = 111.195;

// A quake `km` north of 35 N 25 E, `afterMs` after kStart.
inline QuakeEvent Quake(const std::string& id, double magnitude, double km = 0.0, std::int64_t afterMs = 0) {
    QuakeEvent e;
    e.eventId = id;
    e.region = "CRETE";
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", magnitude);
    e.mag = text;
    e.hasNumbers = true;
    e.magnitude = magnitude;
    e.latitude = 35.0 + km / kKmPerDegree;
    e.longitude = 25.0;
    e.originUtcMs = kStart + afterMs;
    return e;
}

}  // namespace dravik::test
