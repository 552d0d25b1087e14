#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "sources/quake_parser.h"

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

// How far apart two reports of one earthquake lie: the differences of origin time, distance and magnitude,
// each as a fraction of its limit, summed, so a second, a kilometre and a tenth of a magnitude weigh as
// their limits make them (60 s, 100 km and 1.0 by default: 0.6 s ~ 1 km ~ 0.01). Lower is closer; only
// meaningful for reports that SameEarthquake takes for one.
double MergeDistance(const QuakeEvent& a, const QuakeEvent& b, const MergeLimits& limits = {});

// The source of a qualified event id ("usgs" of "usgs:us6000m0yf"); empty for an id without one.
std::string EventSource(const std::string& eventId);

}  // namespace dravik
