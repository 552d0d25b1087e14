#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "map/map_viewport.h"
#include "map/plate_boundaries.h"

namespace dravik {
namespace {

constexpr double kEarthKm = 6371.0;
constexpr double kPi = 3.14159265358979323846;

using Vec = std::array<double, 3>;

Vec Unit(const GeoPoint& g) {
    const double lat = g.lat * kPi / 180;
    const double lon = g.lon * kPi / 180;
    return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
}

Vec Cross(const Vec& a, const Vec& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double Dot(const Vec& a, const Vec& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

double ArcKm(const Vec& a, const Vec& b) {
    const Vec c = Cross(a, b);
    return kEarthKm * std::atan2(std::sqrt(Dot(c, c)), Dot(a, b));
}

// The great-circle distance from p to the arc a-b: to its circle where p's foot falls within it, else to the
// nearer end.
double ArcSegmentKm(const Vec& p, const Vec& a, const Vec& b) {
    Vec n = Cross(a, b);
    const double norm = std::sqrt(Dot(n, n));
    if (norm < 1e-12) {
        return ArcKm(p, a);
    }
    for (double& c : n) {
        c /= norm;
    }
    const double d = Dot(p, n);
    const Vec foot{p[0] - d * n[0], p[1] - d * n[1], p[2] - d * n[2]};
    if (Dot(foot, Cross(n, a)) <= 0 && Dot(foot, Cross(n, b)) >= 0) {
        return kEarthKm * std::abs(std::asin(std::clamp(d, -1.0, 1.0)));
    }
    return std::min(ArcKm(p, a), ArcKm(p, b));
}

double NearestLineKm(const GeoPoint& place) {
    const Vec p = Unit(place);
    double nearest = std::numeric_limits<double>::infinity();
    for (const std::vector<GeoPoint>& line : PlateLines()) {
        for (std::size_t i = 1; i < line.size(); ++i) {
            nearest = std::min(nearest, ArcSegmentKm(p, Unit(line[i - 1]), Unit(line[i])));
        }
    }
    return nearest;
}

TEST(PlateBoundariesTest, DataIsWholeInRangeAndKeepsToTheSourceLines) {
    // PB2002's 241 lines less the 6 its GeoJSON gives twice; none crosses the antimeridian in one step.
    const auto& lines = PlateLines();
    ASSERT_EQ(lines.size(), 235U);
    std::size_t points = 0;
    int onDateLine = 0;
    for (const std::vector<GeoPoint>& line : lines) {
        ASSERT_GE(line.size(), 2U);
        points += line.size();
        for (std::size_t i = 0; i < line.size(); ++i) {
            const GeoPoint& g = line[i];
            ASSERT_TRUE(g.lat >= -90 && g.lat <= 90 && g.lon >= -180 && g.lon <= 180) << g.lat << " " << g.lon;
            if (i > 0) {
                ASSERT_LE(std::abs(g.lon - line[i - 1].lon), 180.0);
            }
            onDateLine += std::abs(g.lon) == 180.0 ? 1 : 0;
        }
    }
    EXPECT_GT(points, 5000U);
    EXPECT_LT(points, 6060U) << "the simplification dropped nothing";
    EXPECT_GE(onDateLine, 12);

    // Points of the source, some of them dropped by the simplification, lie within its tolerance of a line.
    const GeoPoint source[] = {
        {37.9655, -26.0752},   // Azores, a dropped one
        {2.1989, -101.196},    // Galápagos rise, dropped
        {40.1065, -29.5881},   // dropped
        {2.16104, -102.075},   // dropped
        {30.61, -41.79},       // the Mid-Atlantic Ridge
        {-65.749397, -180.0},  // the Pacific-Antarctic ridge on the date line
    };
    for (const GeoPoint& g : source) {
        EXPECT_LE(NearestLineKm(g), kPlateToleranceKm + kPlateRoundingKm) << g.lat << " " << g.lon;
    }
    // And a place far from any boundary is not near one.
    EXPECT_GT(NearestLineKm({52.23, 21.01}), 500.0);  // Warsaw
}

TEST(PlateBoundariesTest, ScreenLinesStayInTheViewOnEveryCopyOfTheWorld) {
    const auto inside = [](const MapViewport& view, const std::vector<std::vector<ScreenPoint>>& lines, double m) {
        for (const auto& line : lines) {
            EXPECT_GE(line.size(), 2U);
            for (const ScreenPoint& s : line) {
                if (s.x < -m - 1e-6 || s.y < -m - 1e-6 || s.x > view.Width() + m + 1e-6 ||
                    s.y > view.Height() + m + 1e-6) {
                    return false;
                }
            }
        }
        return true;
    };
    struct Case {
        const char* name;
        GeoPoint centre;
        int zoom;
        int width;
        int height;
    };
    const Case cases[] = {
        {"three copies of the world", {0, 0}, 1, 1400, 500},
        {"close up on the ridge, far from the world's corner", {30.61, -41.79}, 19, 600, 400},
        {"the date line off Fiji", {-15.6, 180}, 6, 600, 400},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MapViewport view(c.centre, c.zoom, c.width, c.height);
        const auto lines = PlateLinesOnScreen(view, 4);
        ASSERT_FALSE(lines.empty());
        EXPECT_TRUE(inside(view, lines, 4));
    }

    // Each copy of a point of a line on the screen is a point of a drawn line.
    const MapViewport world({0, 0}, 1, 1400, 500);
    const auto lines = PlateLinesOnScreen(world, 4);
    const GeoPoint ridge = PlateLines()[14][PlateLines()[14].size() / 2];  // the Mid-Atlantic Ridge
    const std::vector<ScreenPoint> copies = world.ToScreenCopies(ridge, 0);
    ASSERT_EQ(copies.size(), 3U);
    for (const ScreenPoint& copy : copies) {
        const bool drawn = std::any_of(lines.begin(), lines.end(), [&](const std::vector<ScreenPoint>& line) {
            return std::any_of(line.begin(), line.end(), [&](const ScreenPoint& s) {
                return std::abs(s.x - copy.x) < 1e-6 && std::abs(s.y - copy.y) < 1e-6;
            });
        });
        EXPECT_TRUE(drawn) << copy.x;
    }

    // Across the date line: the lines that end on it, from the east or the west, meet on it, the view's centre,
    // and none is drawn across the view to the other end of the world. No segment of the data spans 5°, which
    // is under 60 pixels at this zoom.
    const MapViewport fiji({-15.6, 180}, 4, 600, 400);
    int ends = 0;
    for (const auto& line : PlateLinesOnScreen(fiji, 4)) {
        for (std::size_t i = 1; i < line.size(); ++i) {
            EXPECT_LT(std::hypot(line[i].x - line[i - 1].x, line[i].y - line[i - 1].y), 100.0);
        }
        for (const ScreenPoint& s : {line.front(), line.back()}) {
            if (std::abs(std::abs(fiji.ToGeo(s).lon) - 180) < 1e-6) {
                EXPECT_NEAR(s.x, 300, 1e-6);
                ++ends;
            }
        }
    }
    EXPECT_EQ(ends, 4);  // two lines from the west, two from the east, about Fiji
}

}  // namespace
}  // namespace dravik
