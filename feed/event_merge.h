#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "feed/quake_parser.h"

// When two agencies' reports are one earthquake (QuakeRegistry applies it).
namespace dravik {

// How far two reports of one earthquake may lie apart; every bound is inclusive.
struct MergeLimits {
    std::int64_t originMs = 60 * 1000;
    double distanceKm = 100.0;
    double magnitude = 1.0;
};

// Both reports carry numbers and lie within all three limits. Reports without numbers (the old home page
// table) never match anything.
bool SameEarthquake(const QuakeEvent& a, const QuakeEvent& b, const MergeLimits& limits = {});

// The source of a qualified event id ("usgs" of "usgs:us6000m0yf"); empty for an id without one.
std::string EventSource(const std::string& eventId);

}  // namespace dravik
