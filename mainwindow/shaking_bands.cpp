#include "mainwindow/shaking_bands.h"

#include <algorithm>
#include <cmath>
#include <optional>

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

QuakeShaking MeasuredShakingOf(const std::vector<IntensityContour>& contours, double latitude, double longitude) {
    QuakeShaking shaking;
    shaking.latitude = latitude;
    shaking.longitude = longitude;
    shaking.measured = true;
    for (const int level : kShakingBandLevels) {
        std::optional<double> lowest;
        for (const IntensityContour& c : contours) {
            if (std::isfinite(c.value) && IntensityLevel(c.value) >= level && (!lowest || c.value < *lowest)) {
                lowest = c.value;
            }
        }
        // A lowest contour of a higher level leaves this level's edge beyond what ShakeMap drew: not known.
        if (!lowest || IntensityLevel(*lowest) != level) {
            continue;
        }
        ShakingBand band;
        band.level = level;
        for (const IntensityContour& c : contours) {
            if (c.value != *lowest) {
                continue;
            }
            for (const auto& line : c.lines) {
                if (line.size() < 3) {
                    continue;
                }
                for (const LatLon& point : line) {
                    band.radiusKm =
                        std::max(band.radiusKm, GreatCircleKm(latitude, longitude, point.latitude, point.longitude));
                }
                band.rings.push_back(line);
            }
        }
        if (band.rings.empty()) {
            continue;
        }
        band.arcDegrees = band.radiusKm / kEarthRadiusKm * 180.0 / kPi;
        band.rgb = IntensityColour(level);
        band.label = RomanNumeral(level);
        shaking.bands.push_back(std::move(band));
    }
    return shaking;
}

QuakeShaking ShakingOf(const QuakeEvent& event) {
    const EventNumbers n = NumbersOf(event);
    if (!n.hasMagnitude || !n.hasPosition) {
        return {};
    }
    // What ShakeMap measured draws the bands once it is known, as it tells the levels at the places.
    if (event.measured && !event.measured->contours.empty()) {
        return MeasuredShakingOf(event.measured->contours, n.latitude, n.longitude);
    }
    return ShakingOf(n.magnitude, DepthKmOf(event), n.latitude, n.longitude);
}

}  // namespace dravik
