#include "alerts/aftershock_forecast.h"

#include <gtest/gtest.h>

namespace dravik {
namespace {

constexpr std::int64_t kDayMs = 86400000;

// Each row worked by hand from N = 10^(a + b (Mm - M)) * ((t2 + c)^(1-p) - (t1 + c)^(1-p)) / (1 - p) (ln for
// p = 1) and P = 1 - exp(-N).
TEST(AftershockForecastTest, TheGenericModelGivesTheHandWorkedCountsAndChances) {
    struct Case {
        const char* name;
        ReasenbergJones k;
        double mainMagnitude, minMagnitude, from, to;
        double expected, chance;
    };
    const Case cases[] = {
        {"active crust, M 7.8, M 5+ in the first week",
         {-2.42, 1.0, 0.98, 0.018},
         7.8,
         5.0,
         0.0,
         7.0,
         14.0264,
         0.9999992},
        {"active crust, M 7.8, M 7.8+ in the first week",
         {-2.42, 1.0, 0.98, 0.018},
         7.8,
         7.8,
         0.0,
         7.0,
         0.022230,
         0.021985},
        {"subduction, M 7.5, M 5+ from day 1 to day 8",
         {-2.47, 1.0, 0.88, 0.018},
         7.5,
         5.0,
         1.0,
         8.0,
         2.51476,
         0.919117},
        {"stable continent, M 6.0, M 5+ in the first week",
         {-2.85, 1.0, 0.73, 0.018},
         6.0,
         5.0,
         0.0,
         7.0,
         0.070852,
         0.068400},
        {"p = 1 takes the logarithm", {-2.0, 1.0, 1.0, 0.05}, 6.0, 5.0, 0.0, 1.0, 0.304452, 0.262473},
        {"an empty span", {-2.42, 1.0, 0.98, 0.018}, 7.8, 5.0, 3.0, 3.0, 0.0, 0.0},
        {"a span backwards", {-2.42, 1.0, 0.98, 0.018}, 7.8, 5.0, 3.0, 1.0, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(ExpectedAftershocks(c.k, c.mainMagnitude, c.minMagnitude, c.from, c.to), c.expected,
                    c.expected * 1e-4 + 1e-9)
            << c.name;
        EXPECT_NEAR(AftershockChance(c.k, c.mainMagnitude, c.minMagnitude, c.from, c.to), c.chance, 1e-5) << c.name;
    }
}

TEST(AftershockForecastTest, RegimesTakeTheirOwnParameters) {
    // Page et al. (2016): active shallow crust, subduction, stable continent.
    const ReasenbergJones active = GenericParameters(TectonicRegime::ActiveShallowCrust);
    EXPECT_DOUBLE_EQ(active.a, -2.42);
    EXPECT_DOUBLE_EQ(active.p, 0.98);
    EXPECT_DOUBLE_EQ(active.c, 0.018);
    EXPECT_DOUBLE_EQ(GenericParameters(TectonicRegime::Subduction).a, -2.47);
    EXPECT_DOUBLE_EQ(GenericParameters(TectonicRegime::Subduction).p, 0.88);
    EXPECT_DOUBLE_EQ(GenericParameters(TectonicRegime::StableContinent).a, -2.85);

    EXPECT_EQ(RegimeAt(37.2, 37.0, 10.0), TectonicRegime::ActiveShallowCrust);  // Kahramanmaraş
    EXPECT_EQ(RegimeAt(37.2, 37.0, 90.0), TectonicRegime::Subduction);          // below the crust: a slab
    EXPECT_EQ(RegimeAt(-25.0, 130.0, 10.0), TectonicRegime::StableContinent);   // central Australia
}

TEST(AftershockForecastTest, TheOutlookLooksAWeekAheadFromNow) {
    // Kahramanmaraş, M 7.8, shallow active crust: at the main shock's time the hand-worked first week.
    const std::int64_t origin = 1675646277000LL;  // 2023-02-06 01:17:57 UTC
    const AftershockOutlook first = GenericOutlook(7.8, 37.17, 37.03, 10.0, origin, origin);
    EXPECT_NEAR(first.chanceM5, 0.9999992, 1e-6);
    EXPECT_NEAR(first.chanceMain, 0.021985, 1e-5);
    // A month later the week ahead holds far less.
    const AftershockOutlook later = GenericOutlook(7.8, 37.17, 37.03, 10.0, origin, origin + 30 * kDayMs);
    EXPECT_LT(later.chanceMain, first.chanceMain / 10.0);
    EXPECT_GT(later.chanceM5, 0.1);
    // A clock behind the origin counts from the origin.
    const AftershockOutlook early = GenericOutlook(7.8, 37.17, 37.03, 10.0, origin, origin - kDayMs);
    EXPECT_DOUBLE_EQ(early.chanceMain, first.chanceMain);
}

}  // namespace
}  // namespace dravik
