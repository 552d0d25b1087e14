// Levels at places from what USGS measured: a ShakeMap's contours (made by hand in the real layout, around the
// 2023 Kahramanmaras rupture), the "Did You Feel It?" cells of El Mayor-Cucapah (saved), and a rupture model.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "shaking/intensity.h"
#include "shaking/measured_shaking.h"
#include "sources/geo.h"
#include "tests/common/test_env.h"

namespace dravik {
namespace {

TEST(MeasuredShakingTest, ContourLevelsAtPlaces) {
    const std::vector<IntensityContour> contours =
        ParseIntensityContours(test::ReadFeedData("shakemap_cont_mmi_made.json"));
    ASSERT_FALSE(contours.empty());
    struct Case {
        const char* name;
        double latitude, longitude;
        int level;  // 0: within no contour
    };
    // The contours lie 15, 40, 70, 110 and 170 km about the rupture; the last is cut by the map's edge at 35 E.
    const Case cases[] = {
        {"Gaziantep, 11 km off", 37.0662, 37.3833, 9},   {"Antakya, 25 km off", 36.2025, 36.1597, 8},
        {"Malatya, 38 km off", 38.3552, 38.3095, 8},     {"Kahramanmaras, 58 km off", 37.5753, 36.9228, 7},
        {"Mersin, past the map's edge", 36.8, 34.63, 0}, {"Ankara, outside every contour", 39.9334, 32.8597, 0},
        {"Osmaniye, 48 km off", 37.0742, 36.2464, 7},
    };
    for (const Case& c : cases) {
        const auto intensity = ContourIntensityAt(contours, c.latitude, c.longitude);
        EXPECT_EQ(intensity ? IntensityLevel(*intensity) : 0, c.level) << c.name;
    }
    EXPECT_FALSE(ContourIntensityAt(contours, NAN, 36.0));
    EXPECT_FALSE(ContourIntensityAt({}, 36.2, 36.1));
}

TEST(MeasuredShakingTest, FeltCellsNearPlaces) {
    const std::vector<FeltCell> cells = ParseFeltCells(test::ReadFeedData("dyfi_ci14607652_geo_10km.geojson"));
    ASSERT_EQ(cells.size(), 538u);
    // Mexicali's centre lies in the cell the file names "Calexico" (UTM 11S 064 361): cdi 7.2, 94 reports.
    const FeltCell* mexicali = FeltCellAt(cells, 32.6245, -115.4523);
    ASSERT_NE(mexicali, nullptr);
    EXPECT_EQ(mexicali->intensity, 7.2);
    EXPECT_EQ(mexicali->reports, 94);
    EXPECT_LE(GreatCircleKm(32.6245, -115.4523, mexicali->centre.latitude, mexicali->centre.longitude), 8.0);
    // The Pacific 200 km off Ensenada has no cell; a place just outside a cell takes the nearest centre
    // within 10 km.
    EXPECT_EQ(FeltCellAt(cells, 31.0, -118.5), nullptr);
    const FeltCell* nearby = FeltCellAt(cells, mexicali->centre.latitude + 0.06, mexicali->centre.longitude);
    ASSERT_NE(nearby, nullptr);
}

TEST(MeasuredShakingTest, RuptureModelDistance) {
    const std::vector<RupturePlane> planes = ParseRupture(test::ReadFeedData("shakemap_rupture_made.json"));
    ASSERT_EQ(planes.size(), 2u);
    // On the trace: 0 km; above the dipping plane: its top depth; off the end: about the way to it.
    EXPECT_NEAR(*RuptureDistanceKm(planes, 36.40, 36.30), 0.0, 0.5);
    EXPECT_NEAR(*RuptureDistanceKm(planes, 36.38, 36.33), 0.0, 0.5);
    EXPECT_NEAR(*RuptureDistanceKm(planes, 36.2025, 36.1597), GreatCircleKm(36.2025, 36.1597, 36.40, 36.30), 3.0);
    EXPECT_FALSE(RuptureDistanceKm({}, 36.2, 36.1));
}

// What was measured goes before the expectation, and the expectation is still told.
TEST(MeasuredShakingTest, ShakingAtPlacesPutsTheMeasuredFirst) {
    auto measured = std::make_shared<QuakeProducts>();
    measured->contours = ParseIntensityContours(test::ReadFeedData("shakemap_cont_mmi_made.json"));
    measured->rupture = ParseRupture(test::ReadFeedData("shakemap_rupture_made.json"));
    const std::vector<Place> places = {
        {"Antakya", 36.2025, 36.1597}, {"Ankara", 39.9334, 32.8597}, {"Mersin", 36.8, 34.63}};
    const std::vector<PlaceShaking> plain = ShakingAtPlaces(7.8, 10.0, 37.226, 37.014, places);
    const std::vector<PlaceShaking> s = ShakingAtPlaces(7.8, 10.0, 37.226, 37.014, places, measured.get());
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].place, 0u);
    EXPECT_EQ(s[0].level, 8);
    EXPECT_EQ(s[0].shakeMapLevel, 8);
    // Antakya's expectation at the rupture model's distance rises above the one at the epicentre's.
    EXPECT_TRUE(s[0].toRuptureModel);
    EXPECT_GT(s[0].expectedIntensity, plain[0].intensity + 0.5);
    EXPECT_EQ(plain[0].shakeMapLevel, 0);
    // Outside every contour the expectation stands.
    for (std::size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(s[i].shakeMapLevel, 0);
        EXPECT_EQ(s[i].level, s[i].expectedLevel);
    }
    // Felt reports stand where no contour does.
    auto felt = std::make_shared<QuakeProducts>();
    felt->feltCells = ParseFeltCells(test::ReadFeedData("dyfi_ci14607652_geo_10km.geojson"));
    const std::vector<PlaceShaking> m =
        ShakingAtPlaces(7.2, 9.987, 32.2861667, -115.2953333, {{"Mexicali", 32.6245, -115.4523}}, felt.get());
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].level, m[0].feltLevel);
    EXPECT_EQ(m[0].feltLevel, 7);
    EXPECT_EQ(m[0].feltReports, 94);
}

}  // namespace
}  // namespace dravik
