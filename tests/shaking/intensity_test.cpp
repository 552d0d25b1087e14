#include "shaking/intensity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "shaking/intensity_equations.h"

namespace dravik {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr IntensityEquation kAllEquations[] = {IntensityEquation::Aww2012, IntensityEquation::Aw2007Ceus,
                                               IntensityEquation::Aww2014, IntensityEquation::Aww2014Ena};

TEST(IntensityEquationTest, MatchValuesWorkedFromThePapersCoefficients) {
    struct Case {
        IntensityEquation equation;
        double magnitude, hypocentralKm, expected;
        const char* what;
    };
    const Case cases[] = {
        // Rm = -0.209 + 2.042 e^(6-5) = 5.34173; ln sqrt(30^2 + Rm^2) = ln 30.47186 = 3.41680;
        // 2.085 + 1.428*6 - 1.402*3.41680 = 10.653 - 4.79036
        {IntensityEquation::Aww2012, 6.0, 30.0, 5.86264, "AWW2012 M6 30 km"},
        // Rm = -0.209 + 2.042 e^2 = 14.87945; ln sqrt(100^2 + Rm^2) = ln 101.10093 = 4.61612;
        // 2.085 + 9.996 - 1.402*4.61612 + 0.078 ln(100/50) = 12.081 - 6.47180 + 0.05407
        {IntensityEquation::Aww2012, 7.0, 100.0, 5.66327, "AWW2012 M7 100 km, past the 50 km hinge"},
        // R = sqrt(100^2 + 17^2) = 101.43471, log R = 2.00619, B = log(R/80) = 0.10310;
        // 11.72 - 2.36 + 0.1155 - 0.44*2.00619 - 0.002044*101.43471 + 2.31*0.10310 - 0.479*5*2.00619
        // = 11.72 - 2.36 + 0.1155 - 0.88272 - 0.20733 + 0.23815 - 4.80482
        {IntensityEquation::Aw2007Ceus, 5.0, 100.0, 3.81878, "AW2007 CEUS M5 100 km"},
        // R = sqrt(30^2 + 14^2) = 33.10589, log R = 1.51991, B = 0;
        // 0.309 + 1.864*6 - 1.672*1.51991 - 0.00219*33.10589 - 0.383*6*1.51991
        // = 0.309 + 11.184 - 2.54128 - 0.07250 - 3.49275
        {IntensityEquation::Aww2014, 6.0, 30.0, 5.38647, "AWW2014 M6 30 km"},
        // R = sqrt(100^2 + 14^2) = 100.97524, log R = 2.00421, B = log(R/50) = 0.30524;
        // 0.309 + 9.32 - 3.35105 - 0.22114 + 1.77*0.30524 - 0.383*5*2.00421 = 2.75902;
        // eastern correction 0.7 + 0.001*100 + 0.8 log(100/50) = 1.04082
        {IntensityEquation::Aww2014Ena, 5.0, 100.0, 3.79985, "AWW2014 ENA M5 100 km"},
        // R = 300.32649, log R = 2.47759, B = 0.77862; 0.309 + 9.32 - 4.14253 - 0.65772 + 1.37816 - 4.74459
        // = 1.46232; the correction's log term stops at 150 km: 0.7 + 0.3 + 0.8 log 3 = 1.38170
        {IntensityEquation::Aww2014Ena, 5.0, 300.0, 2.84402, "AWW2014 ENA M5 300 km"},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(RawIntensity(c.equation, c.magnitude, c.hypocentralKm), c.expected, 2e-4) << c.what;
    }
    // AWW2012's sigma: 0.82 + 0.37 / (1 + (R / 22.9)^2): 1.19 at the source, 0.82 + 0.37 / 2 at 22.9 km.
    EXPECT_NEAR(Aww2012Sigma(0.0), 1.19, 1e-9);
    EXPECT_NEAR(Aww2012Sigma(22.9), 1.005, 1e-9);
}

TEST(IntensityEquationTest, CrustsUseTheChosenEquations) {
    EXPECT_DOUBLE_EQ(ActiveCrustIntensity(6.0, 30.0), HeldIntensity(kActiveCrustEquation, 6.0, 30.0));
    EXPECT_DOUBLE_EQ(StableCrustIntensity(5.0, 100.0), HeldIntensity(kStableCrustEquation, 5.0, 100.0));
    EXPECT_NEAR(ActiveCrustIntensity(6.0, 30.0), 5.38647, 2e-4);
    EXPECT_NEAR(StableCrustIntensity(5.0, 100.0), 3.79985, 2e-4);
    // The hypocentral distance comes from the epicentral one and the depth: 30 km deep under the place.
    EXPECT_DOUBLE_EQ(ExpectedIntensity(6.0, 30.0, 0.0, CrustKind::Active), ActiveCrustIntensity(6.0, 30.0));
    EXPECT_DOUBLE_EQ(ExpectedIntensity(5.0, 60.0, 80.0, CrustKind::Stable), StableCrustIntensity(5.0, 100.0));
}

TEST(IntensityEquationTest, NeverRisesWithDistance) {
    // Raw, the stable form of 2007 rises past 80 km for small quakes; shown, it holds at its lowest so far.
    const double hinge = std::sqrt(80.0 * 80.0 - 17.0 * 17.0);
    ASSERT_GT(RawIntensity(IntensityEquation::Aw2007Ceus, 2.5, 150.0),
              RawIntensity(IntensityEquation::Aw2007Ceus, 2.5, hinge) + 0.02);
    EXPECT_NEAR(HeldIntensity(IntensityEquation::Aw2007Ceus, 2.5, 150.0),
                RawIntensity(IntensityEquation::Aw2007Ceus, 2.5, hinge), 1e-9);
    // Past the rise the raw value comes down again and is shown as it is.
    EXPECT_DOUBLE_EQ(HeldIntensity(IntensityEquation::Aw2007Ceus, 2.5, 600.0),
                     std::max(1.0, RawIntensity(IntensityEquation::Aw2007Ceus, 2.5, 600.0)));

    for (const IntensityEquation equation : kAllEquations) {
        for (double m = 0.0; m <= 9.5; m += 0.25) {
            double last = HeldIntensity(equation, m, 0.0);
            for (double r = 0.1; r <= 3000.0; r += 0.1) {
                const double i = HeldIntensity(equation, m, r);
                ASSERT_LE(i, last + 1e-12)
                    << "equation " << static_cast<int>(equation) << " M" << m << " at " << r << " km";
                last = i;
            }
        }
    }
}

TEST(IntensityEquationTest, StaysWithinOneToTwelveWhateverItIsGiven) {
    struct Case {
        double magnitude, depthKm, epicentralKm;
    };
    const Case cases[] = {
        {6.0, 10.0, 0.0},  {6.0, 10.0, 1000.0}, {6.0, 10.0, 20016.0}, {9.5, 0.0, 0.0},   {9.5, 0.0, 1000.0},
        {12.0, 0.0, 0.0},  {-3.0, 10.0, 0.0},   {-30.0, 10.0, 0.0},   {kNaN, 10.0, 0.0}, {6.0, kNaN, 0.0},
        {6.0, 10.0, kNaN}, {6.0, -5.0, -20.0},  {6.0, 10.0, kInf},    {kInf, 10.0, 5.0}, {6.0, kInf, 5.0},
    };
    for (const CrustKind crust : {CrustKind::Active, CrustKind::Stable}) {
        for (const Case& c : cases) {
            const double i = ExpectedIntensity(c.magnitude, c.depthKm, c.epicentralKm, crust);
            EXPECT_TRUE(i >= 1.0 && i <= 12.0)
                << i << " for M" << c.magnitude << " depth " << c.depthKm << " at " << c.epicentralKm;
        }
    }
    // The largest quakes are held at M 9.5, so a larger figure does not shake harder; nothing unknown shakes.
    EXPECT_DOUBLE_EQ(ExpectedIntensity(12.0, 10.0, 100.0, CrustKind::Active),
                     ExpectedIntensity(9.5, 10.0, 100.0, CrustKind::Active));
    EXPECT_EQ(ExpectedIntensity(9.5, 0.0, 0.0, CrustKind::Stable), 12.0);
    EXPECT_GT(ExpectedIntensity(9.5, 0.0, 0.0, CrustKind::Active), 11.0);
    EXPECT_EQ(ExpectedIntensity(kNaN, 10.0, 0.0, CrustKind::Active), 1.0);
    EXPECT_EQ(ExpectedIntensity(6.0, 10.0, kNaN, CrustKind::Active), 1.0);
    EXPECT_EQ(ExpectedIntensity(6.0, 10.0, 20016.0, CrustKind::Stable), 1.0);
}

TEST(IntensityEquationTest, DepthCounts) {
    for (const CrustKind crust : {CrustKind::Active, CrustKind::Stable}) {
        const double shallow = ExpectedIntensity(6.0, 10.0, 0.0, crust);
        const double deep = ExpectedIntensity(6.0, 600.0, 0.0, crust);
        EXPECT_GT(shallow, 6.0);
        EXPECT_LT(deep, shallow - 3.0);
        // Over a deep focus the epicentre is barely nearer than a place 100 km off.
        EXPECT_NEAR(ExpectedIntensity(6.0, 600.0, 100.0, crust), deep, 0.15);
    }
}

TEST(IntensityLevelTest, LevelsNumeralsAndColoursAtTheirEdges) {
    const std::pair<double, int> levels[] = {{-2.0, 1}, {0.49, 1}, {1.0, 1},   {1.49, 1},  {1.5, 2},
                                             {6.49, 6}, {6.5, 7},  {11.5, 12}, {13.0, 12}, {kNaN, 1}};
    for (const auto& [intensity, level] : levels) {
        EXPECT_EQ(IntensityLevel(intensity), level) << intensity;
    }
    const std::pair<int, std::string> numerals[] = {{0, ""},   {1, "I"},    {4, "IV"}, {5, "V"}, {9, "IX"},
                                                    {10, "X"}, {12, "XII"}, {13, ""},  {-1, ""}};
    for (const auto& [level, text] : numerals) {
        EXPECT_EQ(RomanNumeral(level), text) << level;
    }
    const std::pair<int, std::uint32_t> colours[] = {{0, 0xFFFFFF}, {1, 0xFFFFFF},  {2, 0xBFCCFF},  {6, 0xFFFF00},
                                                     {9, 0xFF0000}, {10, 0xC80000}, {12, 0xC80000}, {99, 0xC80000}};
    for (const auto& [level, colour] : colours) {
        EXPECT_EQ(IntensityColour(level), colour) << level;
    }
}

TEST(ReachKmTest, AgreesWithTheExpectedIntensity) {
    for (const CrustKind crust : {CrustKind::Active, CrustKind::Stable}) {
        for (const double m : {2.5, 4.0, 5.5, 7.0, 8.5, 9.5}) {
            for (const double depth : {5.0, 30.0, 300.0}) {
                double previous = 1e9;
                for (int level = kMinIntensity; level <= kMaxIntensity; ++level) {
                    const double wanted = level - 0.5;
                    const double reach = ReachKm(m, depth, level, crust);
                    const std::string where =
                        "M" + std::to_string(m) + " depth " + std::to_string(depth) + " level " + std::to_string(level);
                    EXPECT_LE(reach, previous) << where;
                    previous = reach;
                    if (reach >= 20016.0) {
                        EXPECT_GE(ExpectedIntensity(m, depth, reach, crust), wanted) << where;
                        continue;
                    }
                    if (reach > 0.0) {
                        EXPECT_GE(ExpectedIntensity(m, depth, reach, crust), wanted) << where;
                    }
                    EXPECT_LT(ExpectedIntensity(m, depth, reach + 0.01, crust), wanted) << where;
                }
            }
        }
    }
    EXPECT_EQ(ReachKm(6.0, 10.0, 0, CrustKind::Active), ReachKm(6.0, 10.0, 1, CrustKind::Active));
    EXPECT_EQ(ReachKm(6.0, 10.0, 13, CrustKind::Active), 0.0);
    EXPECT_EQ(ReachKm(kNaN, 10.0, 2, CrustKind::Active), 0.0);

    // The map asks for a few circles a quake, for thousands of quakes: keep a call to microseconds.
    const auto start = std::chrono::steady_clock::now();
    double sum = 0.0;
    for (int i = 0; i < 5000; ++i) {
        sum += ReachKm(3.0 + (i % 60) * 0.1, 10.0, 2 + i % 6, i % 2 ? CrustKind::Stable : CrustKind::Active);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(sum, 0.0);
    EXPECT_LT(seconds, 1.0) << "5,000 calls";
}

TEST(ShakingAtPlacesTest, StrongestFirstThenNearestAndUnplaceableLast) {
    // A M 6.5 at 10 km on the Equator off Africa (sea: active crust).
    const std::vector<Place> places = {
        {"nowhere", kNaN, 0.0},  // coordinates that are not numbers
        {"far", 3.0, 0.0},       // 333 km north
        {"near", 0.3, 0.0},      // 33 km north
        {"nearer", 0.0, -0.2},   // 22 km west
        {"same", 3.0, 0.0},      // as far as "far": keeps its given place after it
    };
    const std::vector<PlaceShaking> s = ShakingAtPlaces(6.5, 10.0, 0.0, 0.0, places);
    ASSERT_EQ(s.size(), places.size());
    const std::size_t order[] = {3, 2, 1, 4, 0};
    for (std::size_t i = 0; i < s.size(); ++i) {
        EXPECT_EQ(s[i].place, order[i]) << i;
    }
    EXPECT_GT(s[0].level, s[2].level);
    EXPECT_EQ(s[4].level, 1);
    EXPECT_NEAR(s[1].distanceKm, 33.4, 0.2);
    EXPECT_NEAR(s[1].bearingDeg, 180.0, 1e-6);  // from the place, the quake lies south
    EXPECT_DOUBLE_EQ(s[1].intensity, ExpectedIntensity(6.5, 10.0, s[1].distanceKm, CrustKind::Active));

    QuakeEvent unknown;
    unknown.mag = "?";
    EXPECT_TRUE(ShakingAtPlaces(unknown, places).empty());
    EXPECT_TRUE(ShakingAtPlaces(kNaN, 10.0, 0.0, 0.0, places).empty());
}

TEST(DepthKmOfTest, ReadsTheDepthTextAndFallsBackToACrustalDepth) {
    const std::pair<const char*, double> cases[] = {{"12.5", 12.5}, {"700", 700.0}, {"-1.5", 0.0}, {"", 10.0},
                                                    {"abc", 10.0},  {"1200", 10.0}, {"-50", 10.0}, {"nan", 10.0}};
    for (const auto& [text, depth] : cases) {
        QuakeEvent e;
        e.depth = text;
        EXPECT_DOUBLE_EQ(DepthKmOf(e), depth) << text;
    }
}

TEST(CrustAtTest, KnownPlaces) {
    struct Case {
        const char* name;
        double latitude, longitude;
        CrustKind crust;
    };
    const Case cases[] = {
        {"Oklahoma City", 35.4676, -97.5164, CrustKind::Stable},
        {"Mineral, Virginia", 37.91, -77.94, CrustKind::Stable},
        {"Warsaw", 52.2297, 21.0122, CrustKind::Stable},
        {"Moscow", 55.7558, 37.6173, CrustKind::Stable},
        {"Yakutsk", 62.03, 129.73, CrustKind::Stable},
        {"Perth", -31.95, 115.86, CrustKind::Stable},
        {"Johannesburg", -26.20, 28.05, CrustKind::Stable},
        {"Bangalore", 12.97, 77.59, CrustKind::Stable},
        {"Brasilia", -15.79, -47.88, CrustKind::Stable},
        {"Vostok station", -78.46, 106.84, CrustKind::Stable},
        {"Los Angeles", 34.0522, -118.2437, CrustKind::Active},
        {"San Francisco", 37.7749, -122.4194, CrustKind::Active},
        {"El Mayor-Cucapah", 32.2862, -115.2953, CrustKind::Active},
        {"Athens", 37.9838, 23.7275, CrustKind::Active},
        {"Tokyo", 35.6762, 139.6503, CrustKind::Active},
        {"Vrancea", 45.7, 26.6, CrustKind::Active},
        {"Irkutsk, by the Baikal rift", 52.29, 104.30, CrustKind::Active},
        {"Atlantic 500 km off Virginia", 37.0, -70.0, CrustKind::Active},
        {"Gulf of Mexico", 25.0, -90.0, CrustKind::Active},
        {"North Sea", 56.0, 3.0, CrustKind::Stable},
        {"Indian Ocean off Perth", -32.0, 110.0, CrustKind::Active},
        {"Warsaw as 0..360", 52.2297, 381.0122, CrustKind::Stable},
        {"latitude not a number", kNaN, 21.0, CrustKind::Active},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CrustAt(c.latitude, c.longitude), c.crust) << c.name;
    }
}

}  // namespace
}  // namespace dravik
