#include "sources/geo.h"

#include <gtest/gtest.h>

namespace dravik {
namespace {

TEST(GeoTest, DistancesAcrossTheAntimeridianThePolesAndAntipodes) {
    struct Case {
        double lat1, lon1, lat2, lon2, km;
    };
    const Case cases[] = {
        {52.23, 21.01, 52.23, 21.01, 0.0},             // the same point
        {0.0, 179.5, 0.0, -179.5, 111.195},            // one degree of the equator, across the antimeridian
        {89.0, 0.0, 89.0, 180.0, 222.39},              // across the north pole
        {0.0, 0.0, 0.0, 180.0, 20015.09},              // antipodes: half the circumference, not NaN
        {52.2297, 21.0122, 41.9028, 12.4964, 1315.0},  // Warsaw to Rome on the sphere
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(GreatCircleKm(c.lat1, c.lon1, c.lat2, c.lon2), c.km, 1.0) << c.lat1 << "," << c.lon1;
    }
}

TEST(GeoTest, CompassPointsAndTheirBoundaries) {
    EXPECT_EQ(CompassPoint(0.0), "N");
    EXPECT_EQ(CompassPoint(22.4), "N");
    EXPECT_EQ(CompassPoint(22.5), "NE");
    EXPECT_EQ(CompassPoint(135.0), "SE");
    EXPECT_EQ(CompassPoint(337.6), "N");
    EXPECT_EQ(CompassPoint(-45.0), "NW");
    EXPECT_EQ(CompassPoint(720.0 + 90.0), "E");
    // Warsaw to Rome is south-west; Rome to Warsaw north-east.
    EXPECT_EQ(CompassPoint(InitialBearingDeg(52.23, 21.01, 41.90, 12.50)), "SW");
    EXPECT_EQ(CompassPoint(InitialBearingDeg(41.90, 12.50, 52.23, 21.01)), "NE");
}

}  // namespace
}  // namespace dravik
