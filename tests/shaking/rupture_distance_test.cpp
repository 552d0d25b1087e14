#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "shaking/intensity.h"
#include "shaking/rupture_distance.h"
#include "sources/geo.h"

namespace dravik {
namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(RuptureDistanceTest, LengthFollowsWellsAndCoppersmith) {
    EXPECT_NEAR(RuptureLengthKm(6.0), 12.59, 0.01);
    EXPECT_NEAR(RuptureLengthKm(7.0), 48.98, 0.01);
    EXPECT_NEAR(RuptureLengthKm(8.0), 190.5, 0.1);
    EXPECT_DOUBLE_EQ(RuptureLengthKm(11.0), RuptureLengthKm(9.5));
}

// The mean over strikes and epicentre places, worked by hand where it has a closed form: on the epicentre it is
// 0; far off, the end nearest the place lies on average L / pi nearer than the epicentre.
TEST(RuptureDistanceTest, MeanDistanceAtItsLimitsAndBetween) {
    const double l7 = RuptureLengthKm(7.0);
    EXPECT_DOUBLE_EQ(MeanRuptureDistanceKm(7.0, 0.0), 0.0);
    EXPECT_NEAR(MeanRuptureDistanceKm(7.0, 3000.0), 3000.0 - l7 / kPi, 0.01 * l7);
    EXPECT_NEAR(MeanRuptureDistanceKm(7.0, 30.0 * l7), 30.0 * l7 - l7 / kPi, 0.01 * l7);
    // Below M 6 a quake is a point, as is any distance that is not a number.
    EXPECT_DOUBLE_EQ(MeanRuptureDistanceKm(5.9, 120.0), 120.0);
    EXPECT_TRUE(std::isnan(MeanRuptureDistanceKm(7.0, std::numeric_limits<double>::quiet_NaN())));
    EXPECT_DOUBLE_EQ(MeanRuptureDistanceKm(std::numeric_limits<double>::quiet_NaN(), 10.0), 10.0);
    // Never beyond the epicentre, and never nearer for a farther place, at any magnitude.
    for (double m = 6.0; m <= 9.6; m += 0.3) {
        double last = 0.0;
        for (double r = 0.0; r < 20000.0; r = r * 1.07 + 0.5) {
            const double d = MeanRuptureDistanceKm(m, r);
            ASSERT_LE(d, r + 1e-9) << m << " " << r;
            ASSERT_GE(d, last - 1e-9) << m << " " << r;
            last = d;
        }
    }
}

// The places the issue names: on a great rupture the expectation rises where the epicentre's distance hid it,
// and the reach the map's bands and the history filter take grows with it.
TEST(RuptureDistanceTest, GreatQuakesShakeAlongTheirRuptures) {
    struct Case {
        const char* name;
        double magnitude, depthKm, quakeLat, quakeLon, placeLat, placeLon;
        int pointLevel;    // as a point at the hypocentre
        int ruptureLevel;  // with the rupture's mean distance
    };
    // What a rupture of unknown strike can tell: ShakeMap, which knows it, has Antakya near IX, Sendai VIII-IX.
    const Case cases[] = {
        {"2023 M7.8 Turkiye at Antakya", 7.8, 10.0, 37.226, 37.014, 36.2025, 36.1597, 5, 6},
        {"2011 M9.1 Tohoku at Sendai", 9.1, 29.0, 38.297, 142.373, 38.2682, 140.8694, 7, 7},
        {"2011 M9.1 Tohoku at Tokyo", 9.1, 29.0, 38.297, 142.373, 35.6762, 139.6503, 5, 5},
    };
    for (const Case& c : cases) {
        const double km = GreatCircleKm(c.quakeLat, c.quakeLon, c.placeLat, c.placeLon);
        const double point = IntensityAtDistance(c.magnitude, std::hypot(km, c.depthKm), CrustKind::Active);
        const double rupture = ExpectedIntensity(c.magnitude, c.depthKm, km, CrustKind::Active);
        EXPECT_EQ(IntensityLevel(point), c.pointLevel) << c.name;
        EXPECT_EQ(IntensityLevel(rupture), c.ruptureLevel) << c.name;
        EXPECT_GT(rupture - point, 0.35) << c.name;
        EXPECT_GE(ReachKm(c.magnitude, c.depthKm, c.ruptureLevel, CrustKind::Active), km) << c.name;
    }
    // A moderate quake is still a point.
    EXPECT_DOUBLE_EQ(ExpectedIntensity(5.5, 10.0, 80.0, CrustKind::Active),
                     IntensityAtDistance(5.5, std::hypot(80.0, 10.0), CrustKind::Active));
}

}  // namespace
}  // namespace dravik
