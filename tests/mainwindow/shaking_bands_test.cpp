#include "mainwindow/shaking_bands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "shaking/intensity.h"
#include "sources/event_detail.h"
#include "sources/geo.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = 3.14159265358979323846;

// The band of a level, or null.
const ShakingBand* BandOf(const QuakeShaking& shaking, int level) {
    for (const ShakingBand& band : shaking.bands) {
        if (band.level == level) {
            return &band;
        }
    }
    return nullptr;
}

TEST(ShakingBandsTest, EachLevelEndsWhereTheExpectedIntensityFallsBelowIt) {
    const struct {
        const char* where;
        double lat, lon;
    } epicentres[] = {
        {"active crust (Greece)", 38.0, 23.0},
        {"stable crust (the central United States)", 40.0, -90.0},
    };
    for (const auto& e : epicentres) {
        const CrustKind crust = CrustAt(e.lat, e.lon);
        for (const double magnitude : {3.0, 4.5, 6.0, 7.5}) {
            for (const double depth : {5.0, 30.0}) {
                const std::string name =
                    std::string(e.where) + " M" + std::to_string(magnitude) + " " + std::to_string(depth) + " km";
                const QuakeShaking shaking = ShakingOf(magnitude, depth, e.lat, e.lon);
                EXPECT_EQ(shaking.latitude, e.lat) << name;
                EXPECT_EQ(shaking.longitude, e.lon) << name;
                double outer = std::numeric_limits<double>::infinity();
                std::size_t expected = 0;
                for (const int level : kShakingBandLevels) {
                    const ShakingBand* band = BandOf(shaking, level);
                    const bool reached = IntensityLevel(ExpectedIntensity(magnitude, depth, 0.0, crust)) >= level;
                    expected += reached ? 1 : 0;
                    ASSERT_EQ(band != nullptr, reached) << name << " level " << level;
                    if (band == nullptr) {
                        continue;
                    }
                    // Inside the band the level is expected, just beyond it no longer.
                    EXPECT_GE(IntensityLevel(ExpectedIntensity(magnitude, depth, band->radiusKm * 0.98, crust)), level)
                        << name << " level " << level;
                    EXPECT_LT(IntensityLevel(ExpectedIntensity(magnitude, depth, band->radiusKm * 1.02 + 0.1, crust)),
                              level)
                        << name << " level " << level;
                    EXPECT_LT(band->radiusKm, outer) << name << ": III beyond V beyond VII";
                    outer = band->radiusKm;
                    EXPECT_NEAR(band->arcDegrees, band->radiusKm / kEarthRadiusKm * 180.0 / kPi, 1e-9) << name;
                    EXPECT_EQ(band->rgb, IntensityColour(level)) << name;
                    EXPECT_EQ(band->label, RomanNumeral(level)) << name;
                }
                EXPECT_EQ(shaking.bands.size(), expected) << name << ": outermost first, nothing else";
            }
        }
    }
}

TEST(ShakingBandsTest, ALargerQuakeShakesFartherAndADeeperOneLessFar) {
    const QuakeShaking six = ShakingOf(6.0, 10, 38, 23);
    const QuakeShaking seven = ShakingOf(7.0, 10, 38, 23);
    const QuakeShaking sevenDeep = ShakingOf(7.0, 150, 38, 23);
    for (const int level : kShakingBandLevels) {
        const ShakingBand* m6 = BandOf(six, level);
        const ShakingBand* m7 = BandOf(seven, level);
        const ShakingBand* deep = BandOf(sevenDeep, level);
        ASSERT_NE(m7, nullptr) << level;
        if (m6 != nullptr) {
            EXPECT_GT(m7->radiusKm, m6->radiusKm) << level;
        }
        if (deep != nullptr) {
            EXPECT_LT(deep->radiusKm, m7->radiusKm) << level;
        }
    }
    // A small quake is felt by many nowhere.
    EXPECT_TRUE(ShakingOf(1.5, 10, 38, 23).bands.empty());
}

TEST(ShakingBandsTest, AListedReportGivesItsOwnNumbersOrNone) {
    QuakeEvent e;
    e.mag = "6.8";
    e.wsp1 = "38.10 ";
    e.wsp2 = "-12.50 ";
    e.depth = "300";
    const QuakeShaking deep = ShakingOf(e);
    EXPECT_DOUBLE_EQ(deep.latitude, 38.10);
    EXPECT_DOUBLE_EQ(deep.longitude, -12.50);
    e.depth = "10";
    const QuakeShaking shallow = ShakingOf(e);
    ASSERT_FALSE(shallow.bands.empty());
    ASSERT_FALSE(deep.bands.empty());
    EXPECT_GT(shallow.bands.front().radiusKm, deep.bands.front().radiusKm) << "the depth is the report's";
    // The numbers the source gave come first.
    e.hasNumbers = true;
    e.magnitude = 6.8;
    e.latitude = 38.1234;
    e.longitude = -12.5678;
    EXPECT_DOUBLE_EQ(ShakingOf(e).longitude, -12.5678);

    QuakeEvent unknown;
    unknown.mag = "?";
    unknown.wsp1 = "38.1";
    unknown.wsp2 = "-12.5";
    EXPECT_TRUE(ShakingOf(unknown).bands.empty()) << "no magnitude";
    unknown.mag = "6.8";
    unknown.wsp2 = "";
    EXPECT_TRUE(ShakingOf(unknown).bands.empty()) << "no position";
    EXPECT_TRUE(ShakingOf(kNaN, 10, 38, 23).bands.empty());
    EXPECT_TRUE(ShakingOf(7, kNaN, 38, 23).bands.empty());
    EXPECT_TRUE(ShakingOf(7, 10, kNaN, 23).bands.empty());
}

// Where the row has ShakeMap's contours (saved: 4.5 to 8.5, the 4.5 one cut open by the map's edge), they are the
// bands: V inside 4.5, VII inside 6.5; III lies beyond the lowest contour drawn and has none.
TEST(ShakingBandsTest, ShakeMapsContoursAreTheBandsOnceKnown) {
    auto products = std::make_shared<QuakeProducts>();
    products->contours = ParseIntensityContours(test::ReadFeedData("shakemap_cont_mmi_made.json"));
    ASSERT_EQ(products->contours.size(), 5u);
    QuakeEvent e;
    e.mag = "7.8";
    e.wsp1 = "37.23 ";
    e.wsp2 = "37.01 ";
    e.depth = "10";
    const QuakeShaking expected = ShakingOf(e);
    EXPECT_FALSE(expected.measured);
    e.measured = products;
    const QuakeShaking measured = ShakingOf(e);
    EXPECT_TRUE(measured.measured);
    EXPECT_EQ(BandOf(measured, 3), nullptr);
    const ShakingBand* v = BandOf(measured, 5);
    const ShakingBand* vii = BandOf(measured, 7);
    ASSERT_NE(v, nullptr);
    ASSERT_NE(vii, nullptr);
    EXPECT_EQ(v->label, "V");
    ASSERT_EQ(v->rings.size(), 1u);
    EXPECT_EQ(v->rings[0].size(), 37u);
    EXPECT_EQ(vii->rings[0].size(), 51u);
    // Drawn 110 km about a line of some 300 km, VII reaches farther from the epicentre than 110 km and less than V.
    EXPECT_GT(vii->radiusKm, 110);
    EXPECT_LT(vii->radiusKm, v->radiusKm);
    EXPECT_EQ(measured.bands.front().level, 5) << "outermost first";
}

}  // namespace
}  // namespace dravik
