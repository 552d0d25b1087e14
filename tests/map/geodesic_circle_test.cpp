#include "map/geodesic_circle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace dravik {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRad = kPi / 180.0;

// The angle at the Earth's centre between two places, in degrees (haversine).
double ArcDegrees(const GeoPoint& a, const GeoPoint& b) {
    const double dLat = (b.lat - a.lat) * kRad;
    const double dLon = (b.lon - a.lon) * kRad;
    const double h = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(a.lat * kRad) * std::cos(b.lat * kRad) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * std::asin(std::min(1.0, std::sqrt(h))) / kRad;
}

// Whether a place lies in the area as drawn: inside the ring of some copy of the world (even-odd), or outside
// every copy's ring for an area that is all but the ring.
bool Covers(const WorldArea& area, const GeoPoint& place) {
    const WorldPoint p = ToWorld(place, 0);
    bool inRing = false;
    for (int copy = -2; copy <= 2; ++copy) {
        const double x = p.x + copy * WorldSize(0);
        bool in = false;
        for (std::size_t i = 0, j = area.ring.size() - 1; i < area.ring.size(); j = i++) {
            const WorldPoint& a = area.ring[i];
            const WorldPoint& b = area.ring[j];
            if ((a.y > p.y) != (b.y > p.y) && x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
                in = !in;
            }
        }
        inRing = inRing || (in && !area.ring.empty());
    }
    return area.outside ? !inRing : inRing;
}

double PolygonArea(const std::vector<ScreenPoint>& polygon) {
    double twice = 0;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        twice += polygon[j].x * polygon[i].y - polygon[i].x * polygon[j].y;
    }
    return std::fabs(twice) / 2;
}

TEST(GeodesicCircleTest, EveryPointLiesAtTheRadiusAndTheRingRunsOnAcrossTheDateLine) {
    const struct {
        GeoPoint centre;
        double arc;
    } cases[] = {
        {{0, 0}, 5}, {{60, 20}, 2.7}, {{-17, 179.5}, 4}, {{-70, -60}, 10}, {{84, 100}, 3}, {{45, -179.9}, 30},
    };
    for (const auto& c : cases) {
        const std::string name = std::to_string(c.centre.lat) + "," + std::to_string(c.centre.lon);
        const WorldArea area = GeodesicCircle(c.centre, c.arc, 512);
        ASSERT_GE(area.ring.size(), 512U) << name;
        EXPECT_FALSE(area.outside) << name;
        for (std::size_t i = 0; i < area.curvePoints; ++i) {
            const WorldPoint& w = area.ring[i];
            if (w.y <= 0 || w.y >= WorldSize(0)) {
                continue;  // beyond the map's edge, where the map stops it
            }
            EXPECT_NEAR(ArcDegrees(c.centre, ToGeo(w, 0)), c.arc, 1e-6) << name << " point " << i;
            if (i > 0) {
                // Neighbours stay neighbours: no jump of a world's width where the date line is crossed.
                EXPECT_LT(std::fabs(w.x - area.ring[i - 1].x), WorldSize(0) / 8) << name << " point " << i;
            }
        }
    }
}

TEST(GeodesicCircleTest, TheAreaHoldsWhatLiesWithinTheRadiusNearThePolesAndTheDateLine) {
    const struct {
        const char* what;
        GeoPoint centre;
        double arc;
        GeoPoint probe;
        bool covered;
    } cases[] = {
        {"far north, to its northern edge", {60, 20}, 2.7, {62.6, 20}, true},
        {"far north, beyond its southern edge", {60, 20}, 2.7, {57.2, 20}, false},
        {"across the date line", {-17, 179.5}, 4, {-17, -177.0}, true},
        {"across the date line, beyond", {-17, 179.5}, 4, {-17, -175.0}, false},
        {"a cap round the north pole reaches the far side", {80, 0}, 16, {85, 180}, true},
        {"and the map's top at every longitude", {80, 0}, 16, {85, -90}, true},
        {"but not the far side's south", {80, 0}, 16, {70, 180}, false},
        {"a centre on the pole", {90, 0}, 10, {84, 123}, true},
        {"a centre on the pole, beyond", {90, 0}, 10, {79, -45}, false},
        {"a cap round the south pole", {-75, 140}, 22, {-84, -40}, true},
        {"a cap round the south pole, beyond", {-75, 140}, 22, {-60, -40}, false},
        {"both poles: everything but the antipode's hole", {10, 30}, 120, {85, -150}, true},
        {"both poles, the far south too", {10, 30}, 120, {-85, 0}, true},
        {"both poles: the antipode is left out", {10, 30}, 120, {-10, -150}, false},
        {"the whole world", {0, 0}, 180, {-10, -150}, true},
    };
    for (const auto& c : cases) {
        const WorldArea area = GeodesicCircle(c.centre, c.arc, 720);
        ASSERT_EQ(ArcDegrees(c.centre, c.probe) <= c.arc, c.covered) << c.what << ": the case itself";
        EXPECT_EQ(Covers(area, c.probe), c.covered) << c.what;
    }
    // Nothing for no radius, or a place that is none.
    EXPECT_TRUE(GeodesicCircle({10, 10}, 0, 64).ring.empty());
    EXPECT_FALSE(GeodesicCircle({10, 10}, 0, 64).outside);
    EXPECT_TRUE(GeodesicCircle({10, 10}, std::numeric_limits<double>::quiet_NaN(), 64).ring.empty());
    EXPECT_FALSE(GeodesicCircle({std::numeric_limits<double>::quiet_NaN(), 10}, 3, 64).outside);
    EXPECT_TRUE(GeodesicCircle({std::numeric_limits<double>::infinity(), 10}, 3, 64).ring.empty());
}

TEST(GeodesicCircleTest, ClippingKeepsWhatLiesWithinTheRectangle) {
    const std::vector<ScreenPoint> square{{-50, -50}, {50, -50}, {50, 50}, {-50, 50}};
    const struct {
        const char* what;
        double left, top, right, bottom;
        double area;
    } cases[] = {
        {"wholly inside", -100, -100, 100, 100, 100 * 100},
        {"a quarter in", 0, 0, 100, 100, 50 * 50},
        {"around the rectangle", -5, -5, 5, 5, 10 * 10},
        {"beside it", 60, 60, 100, 100, 0},
    };
    for (const auto& c : cases) {
        const std::vector<ScreenPoint> cut = ClipPolygon(square, c.left, c.top, c.right, c.bottom);
        EXPECT_NEAR(cut.empty() ? 0.0 : PolygonArea(cut), c.area, 1e-9) << c.what;
        for (const ScreenPoint& p : cut) {
            EXPECT_TRUE(p.x >= c.left - 1e-9 && p.x <= c.right + 1e-9 && p.y >= c.top - 1e-9 && p.y <= c.bottom + 1e-9)
                << c.what;
        }
    }
    // A ring far larger than the screen, as a band at a street's zoom is: cut to the screen's size.
    const std::vector<ScreenPoint> huge{{-1e9, -1e9}, {1e9, -1e9}, {1e9, 1e9}, {-1e9, 1e9}};
    EXPECT_NEAR(PolygonArea(ClipPolygon(huge, 0, 0, 600, 400)), 600.0 * 400.0, 1e-3);
}

}  // namespace
}  // namespace dravik
