#include "map/geodesic_circle.h"

#include <algorithm>
#include <cmath>

namespace dravik {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRad = kPi / 180.0;
constexpr int kMinSegments = 64;
constexpr int kMaxSegments = 16384;

struct Vec {
    double x = 0;
    double y = 0;
    double z = 0;
};

// A step of longitude brought into (-180, 180]: consecutive points of the circle are close, so this is the way
// the circle went, also across the date line.
double LongitudeStep(double from, double to) {
    double step = std::fmod(to - from, 360.0);
    if (step > 180.0) {
        step -= 360.0;
    } else if (step <= -180.0) {
        step += 360.0;
    }
    return step;
}

double WorldX(double unwrappedLon) {
    return (unwrappedLon + 180.0) / 360.0 * WorldSize(0);
}

}  // namespace

WorldArea GeodesicCircle(const GeoPoint& centre, double arcDegrees, int segments) {
    WorldArea area;
    if (!std::isfinite(centre.lat) || !std::isfinite(centre.lon) || !(arcDegrees > 0)) {
        return area;
    }
    if (arcDegrees >= 180.0) {
        area.outside = true;
        return area;
    }
    const int count = std::clamp(segments, kMinSegments, kMaxSegments);
    const double phi0 = std::clamp(centre.lat, -90.0, 90.0) * kRad;
    const double lam0 = centre.lon * kRad;
    const double d = arcDegrees * kRad;
    // The centre and its north and east as vectors, so that a centre on a pole needs no case of its own.
    const Vec c{std::cos(phi0) * std::cos(lam0), std::cos(phi0) * std::sin(lam0), std::sin(phi0)};
    const Vec north{-std::sin(phi0) * std::cos(lam0), -std::sin(phi0) * std::sin(lam0), std::cos(phi0)};
    const Vec east{-std::sin(lam0), std::cos(lam0), 0.0};
    const double cd = std::cos(d);
    const double sd = std::sin(d);

    const auto n = static_cast<std::size_t>(count);
    std::vector<double> lats(n + 1);
    std::vector<double> lons(n + 1);
    for (std::size_t i = 0; i <= n; ++i) {
        // The last point is the first again, computed alike, so the ring closes exactly.
        const double theta = 2.0 * kPi * static_cast<double>(i % n) / static_cast<double>(n);
        const double a = std::cos(theta) * sd;
        const double b = std::sin(theta) * sd;
        const Vec v{c.x * cd + north.x * a + east.x * b, c.y * cd + north.y * a + east.y * b,
                    c.z * cd + north.z * a + east.z * b};
        lats[i] = std::asin(std::clamp(v.z, -1.0, 1.0)) / kRad;
        const double lon = std::atan2(v.y, v.x) / kRad;
        lons[i] = i == 0 ? lon : lons[i - 1] + LongitudeStep(lons[i - 1], lon);
    }
    // Once round the world: the circle holds a pole. Back where it began: it holds neither, or both.
    const bool aroundPole = std::fabs(lons.back() - lons.front()) > 180.0;
    const std::size_t points = aroundPole ? lons.size() : lons.size() - 1;
    area.ring.reserve(points + 2);
    for (std::size_t i = 0; i < points; ++i) {
        area.ring.push_back({WorldX(lons[i]), ToWorld({lats[i], 0.0}, 0).y});
    }
    area.curvePoints = area.ring.size();
    if (aroundPole) {
        // The pole it holds is the nearer one; the area reaches the map's edge beyond it.
        const double edge = phi0 >= 0 ? 0.0 : WorldSize(0);
        area.ring.push_back({area.ring.back().x, edge});
        area.ring.push_back({area.ring.front().x, edge});
    } else if (d > kPi / 2 + std::fabs(phi0)) {
        area.outside = true;
    }
    return area;
}

int CircleSegments(const GeoPoint& centre, double arcDegrees, int zoom) {
    if (!std::isfinite(centre.lat) || !(arcDegrees > 0) || !std::isfinite(arcDegrees)) {
        return kMinSegments;
    }
    const double d = std::min(arcDegrees, 180.0) * kRad;
    // The circle's own radius in world pixels where the map stretches it most: its point nearest a pole, which
    // the map stops at its edge.
    const double poleward = std::min(std::fabs(centre.lat) + std::min(arcDegrees, 180.0), kMaxLatitude);
    const double radiusPx = std::sin(d) / (2.0 * kPi) * WorldSize(zoom) / std::cos(poleward * kRad);
    // A chord of a circle of radius r across 2π/n strays r·π²/(2n²) from it at most.
    const double wanted = std::ceil(kPi * std::sqrt(std::max(radiusPx, 0.0)));
    return static_cast<int>(std::clamp(wanted, static_cast<double>(kMinSegments), static_cast<double>(kMaxSegments)));
}

std::vector<ScreenPoint> ClipPolygon(const std::vector<ScreenPoint>& polygon, double left, double top, double right,
                                     double bottom) {
    std::vector<ScreenPoint> out = polygon;
    // Each edge of the rectangle in turn: which side is in, and where an edge of the polygon crosses it.
    const auto clip = [&out](auto inside, auto cross) {
        if (out.empty()) {
            return;
        }
        std::vector<ScreenPoint> in;
        in.swap(out);
        out.reserve(in.size() + 4);
        ScreenPoint prev = in.back();
        bool prevIn = inside(prev);
        for (const ScreenPoint& p : in) {
            const bool pIn = inside(p);
            if (pIn != prevIn) {
                out.push_back(cross(prev, p));
            }
            if (pIn) {
                out.push_back(p);
            }
            prev = p;
            prevIn = pIn;
        }
    };
    const auto atX = [](double x) {
        return [x](const ScreenPoint& a, const ScreenPoint& b) {
            return ScreenPoint{x, a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x)};
        };
    };
    const auto atY = [](double y) {
        return [y](const ScreenPoint& a, const ScreenPoint& b) {
            return ScreenPoint{a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y), y};
        };
    };
    clip([left](const ScreenPoint& p) { return p.x >= left; }, atX(left));
    clip([right](const ScreenPoint& p) { return p.x <= right; }, atX(right));
    clip([top](const ScreenPoint& p) { return p.y >= top; }, atY(top));
    clip([bottom](const ScreenPoint& p) { return p.y <= bottom; }, atY(bottom));
    return out;
}

}  // namespace dravik
