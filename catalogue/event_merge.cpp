#include "catalogue/event_merge.h"

#include <cmath>
#include <cstdint>

#include "sources/geo.h"

namespace dravik {
namespace {

// Magnitudes come with one decimal and differences of such doubles miss the exact bound by an ulp or two
// (3.2 - 2.2 > 1.0); the slack keeps the bounds inclusive as written without widening them in any real sense.
constexpr double kSlack = 1e-9;

bool WithinLimits(std::int64_t originA, double latA, double lonA, double magA, std::int64_t originB, double latB,
                  double lonB, double magB, const MergeLimits& limits) {
    // Differences are taken in the unsigned domain so that wild origin times cannot overflow.
    const std::uint64_t dt = originA >= originB
                                 ? static_cast<std::uint64_t>(originA) - static_cast<std::uint64_t>(originB)
                                 : static_cast<std::uint64_t>(originB) - static_cast<std::uint64_t>(originA);
    if (limits.originMs < 0 || dt > static_cast<std::uint64_t>(limits.originMs)) {
        return false;
    }
    // A number that did not read (NaN, infinity) matches nothing; GreatCircleKm would take NaN for 0 km.
    for (const double v : {latA, lonA, magA, latB, lonB, magB}) {
        if (!std::isfinite(v)) {
            return false;
        }
    }
    if (!(std::fabs(magA - magB) <= limits.magnitude + kSlack)) {
        return false;
    }
    return GreatCircleKm(latA, lonA, latB, lonB) <= limits.distanceKm + kSlack;
}

}  // namespace

bool SameEarthquake(const QuakeEvent& a, const QuakeEvent& b, const MergeLimits& limits) {
    if (!a.hasNumbers || !b.hasNumbers) {
        return false;
    }
    return WithinLimits(a.originUtcMs, a.latitude, a.longitude, a.magnitude, b.originUtcMs, b.latitude, b.longitude,
                        b.magnitude, limits);
}

double MergeDistance(const QuakeEvent& a, const QuakeEvent& b, const MergeLimits& limits) {
    const double dt = std::fabs(static_cast<double>(a.originUtcMs) - static_cast<double>(b.originUtcMs));
    const auto part = [](double difference, double limit) { return limit > 0 ? difference / limit : 0.0; };
    return part(dt, static_cast<double>(limits.originMs)) +
           part(GreatCircleKm(a.latitude, a.longitude, b.latitude, b.longitude), limits.distanceKm) +
           part(std::fabs(a.magnitude - b.magnitude), limits.magnitude);
}

std::string EventSource(const std::string& eventId) {
    const auto colon = eventId.find(':');
    return colon == std::string::npos ? std::string() : eventId.substr(0, colon);
}

}  // namespace dravik
