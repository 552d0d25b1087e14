#include "shaking/measured_shaking.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "sources/geo.h"

namespace dravik {
namespace {

constexpr double kKmPerDegree = kEarthRadiusKm * 3.14159265358979323846 / 180.0;

// A longitude brought within half a turn of the place's, so a line across the antimeridian stays whole.
double Near(double longitude, double around) {
    double d = std::fmod(longitude - around, 360.0);
    if (d > 180.0) {
        d -= 360.0;
    } else if (d < -180.0) {
        d += 360.0;
    }
    return around + d;
}

// Even-odd crossings of a ray from the place eastwards with the line, closed from its last point to its first.
template <typename Point>
int Crossings(const std::vector<Point>& line, double latitude, double longitude) {
    int crossings = 0;
    const std::size_t n = line.size();
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const double lat1 = line[i].latitude, lat2 = line[j].latitude;
        if ((lat1 > latitude) != (lat2 > latitude)) {
            const double lon1 = Near(line[i].longitude, longitude), lon2 = Near(line[j].longitude, longitude);
            const double at = lon1 + (latitude - lat1) / (lat2 - lat1) * (lon2 - lon1);
            if (longitude < at) {
                ++crossings;
            }
        }
    }
    return crossings;
}

// Plane coordinates in km around the place (equirectangular: planes and cells are small beside the Earth).
struct Xy {
    double x = 0.0, y = 0.0;
};

Xy Project(double latitude, double longitude, double aroundLat, double aroundLon) {
    return {
        (Near(longitude, aroundLon) - aroundLon) * std::cos(aroundLat * 3.14159265358979323846 / 180.0) * kKmPerDegree,
        (latitude - aroundLat) * kKmPerDegree};
}

}  // namespace

std::optional<double> ContourIntensityAt(const std::vector<IntensityContour>& contours, double latitude,
                                         double longitude) {
    if (!std::isfinite(latitude) || !std::isfinite(longitude)) {
        return std::nullopt;
    }
    std::set<double> values;
    for (const IntensityContour& c : contours) {
        values.insert(c.value);
    }
    // From the highest value down: the first whose lines enclose the place is the intensity there.
    for (auto v = values.rbegin(); v != values.rend(); ++v) {
        int crossings = 0;
        for (const IntensityContour& c : contours) {
            if (c.value == *v) {
                for (const auto& line : c.lines) {
                    crossings += Crossings(line, latitude, longitude);
                }
            }
        }
        if (crossings % 2 == 1) {
            return *v;
        }
    }
    return std::nullopt;
}

const FeltCell* FeltCellAt(const std::vector<FeltCell>& cells, double latitude, double longitude) {
    if (!std::isfinite(latitude) || !std::isfinite(longitude)) {
        return nullptr;
    }
    const FeltCell* nearest = nullptr;
    double nearestKm = kFeltCellReachKm;
    for (const FeltCell& cell : cells) {
        if (Crossings(cell.ring, latitude, longitude) % 2 == 1) {
            return &cell;
        }
        const double km = GreatCircleKm(latitude, longitude, cell.centre.latitude, cell.centre.longitude);
        if (km <= nearestKm) {
            nearestKm = km;
            nearest = &cell;
        }
    }
    return nearest;
}

std::optional<double> RuptureDistanceKm(const std::vector<RupturePlane>& planes, double latitude, double longitude) {
    if (planes.empty() || !std::isfinite(latitude) || !std::isfinite(longitude)) {
        return std::nullopt;
    }
    double best = HUGE_VAL;
    for (const RupturePlane& plane : planes) {
        double top = HUGE_VAL;
        for (const RupturePoint& p : plane) {
            top = std::min(top, std::max(p.depthKm, 0.0));
        }
        if (Crossings(plane, latitude, longitude) % 2 == 1) {
            best = std::min(best, top);
            continue;
        }
        // Outside its outline: the nearest point of its edges, at the depth the edge has there.
        for (std::size_t i = 0, j = plane.size() - 1; i < plane.size(); j = i++) {
            const Xy a = Project(plane[j].latitude, plane[j].longitude, latitude, longitude);
            const Xy b = Project(plane[i].latitude, plane[i].longitude, latitude, longitude);
            const double dx = b.x - a.x, dy = b.y - a.y;
            const double len2 = dx * dx + dy * dy;
            const double t = len2 > 0.0 ? std::clamp(-(a.x * dx + a.y * dy) / len2, 0.0, 1.0) : 0.0;
            const double horizontal = std::hypot(a.x + t * dx, a.y + t * dy);
            const double depth = std::max(plane[j].depthKm + t * (plane[i].depthKm - plane[j].depthKm), 0.0);
            best = std::min(best, std::hypot(horizontal, depth));
        }
    }
    return best;
}

}  // namespace dravik
