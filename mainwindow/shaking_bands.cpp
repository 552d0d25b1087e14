#include "mainwindow/shaking_bands.h"

#include <cmath>

#include "alerts/alert_rule.h"
#include "shaking/intensity.h"
#include "sources/geo.h"

namespace dravik {

namespace {
constexpr double kPi = 3.14159265358979323846;
}

SequenceZoneBand ZoneBandOf(double latitude, double longitude, double radiusKm) {
    return {latitude, longitude, radiusKm / kEarthRadiusKm * 180.0 / kPi};
}

QuakeShaking ShakingOf(double magnitude, double depthKm, double latitude, double longitude) {
    QuakeShaking shaking;
    if (!std::isfinite(magnitude) || !std::isfinite(depthKm) || !std::isfinite(latitude) || !std::isfinite(longitude)) {
        return shaking;
    }
    shaking.latitude = latitude;
    shaking.longitude = longitude;
    const CrustKind crust = CrustAt(latitude, longitude);
    for (const int level : kShakingBandLevels) {
        const double km = ReachKm(magnitude, depthKm, level, crust);
        if (!(km > 0) || !std::isfinite(km)) {
            continue;
        }
        ShakingBand band;
        band.level = level;
        band.radiusKm = km;
        band.arcDegrees = km / kEarthRadiusKm * 180.0 / kPi;
        band.rgb = IntensityColour(level);
        band.label = RomanNumeral(level);
        shaking.bands.push_back(band);
    }
    return shaking;
}

QuakeShaking ShakingOf(const QuakeEvent& event) {
    const EventNumbers n = NumbersOf(event);
    if (!n.hasMagnitude || !n.hasPosition) {
        return {};
    }
    return ShakingOf(n.magnitude, DepthKmOf(event), n.latitude, n.longitude);
}

}  // namespace dravik
