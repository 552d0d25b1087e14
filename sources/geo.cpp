#include "sources/geo.h"

#include <cmath>

namespace dravik {
namespace {

constexpr double kPi = 3.14159265358979323846;

double Radians(double degrees) {
    return degrees * kPi / 180.0;
}

}  // namespace

double GreatCircleKm(double lat1, double lon1, double lat2, double lon2) {
    if (!std::isfinite(lat1) || !std::isfinite(lon1) || !std::isfinite(lat2) || !std::isfinite(lon2)) {
        return std::nan("");  // a distance from a number that did not read is no distance
    }
    const double dLat = Radians(lat2 - lat1);
    const double dLon = Radians(lon2 - lon1);
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(Radians(lat1)) * std::cos(Radians(lat2)) * std::sin(dLon / 2) * std::sin(dLon / 2);
    // Rounding can push a just past 1 for antipodal points; asin would then give NaN.
    return 2.0 * kEarthRadiusKm * std::asin(std::sqrt(std::fmin(1.0, std::fmax(0.0, a))));
}

double InitialBearingDeg(double lat1, double lon1, double lat2, double lon2) {
    const double phi1 = Radians(lat1);
    const double phi2 = Radians(lat2);
    const double dLon = Radians(lon2 - lon1);
    const double y = std::sin(dLon) * std::cos(phi2);
    const double x = std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dLon);
    const double degrees = std::atan2(y, x) * 180.0 / kPi;
    return std::fmod(degrees + 360.0, 360.0);
}

std::string CompassPoint(double bearingDeg) {
    static const char* const kPoints[] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
    if (!std::isfinite(bearingDeg)) {
        return kPoints[0];
    }
    const double normal = std::fmod(std::fmod(bearingDeg, 360.0) + 360.0, 360.0);
    return kPoints[static_cast<int>(std::floor((normal + 22.5) / 45.0)) % 8];
}

}  // namespace dravik
