#pragma once

#include <cstdint>

// What may follow a main shock: the chance of aftershocks in the coming days from a generic Reasenberg-Jones
// model (a modified Omori decay with a Gutenberg-Richter size distribution). Plain C++, no Qt.
namespace dravik {

// The tectonic regimes whose generic parameters the estimate tells apart.
enum class TectonicRegime : unsigned char { ActiveShallowCrust, Subduction, StableContinent };

// The rate of aftershocks of magnitude M or more at t days after a main shock of magnitude Mm:
// 10^(a + b (Mm - M)) (t + c)^-p a day.
struct ReasenbergJones {
    double a = 0.0;
    double b = 1.0;
    double p = 1.0;
    double c = 0.0;  // days
};

// Page et al. (2016), "Three ingredients for improved global aftershock forecasts: tectonic region,
// time-dependent catalog incompleteness, and intersequence variability", BSSA 106(5), 2290-2301: the mean
// a-value and the p-value of each regime (USGS publishes the table with its forecast code as
// PageEtAlGenericParams_032116), b = 1.0 and c = 0.018 days throughout.
//   active shallow crust (ANSR-SHALCON)   a = -2.42  p = 0.98
//   subduction zone (SZ-GENERIC)          a = -2.47  p = 0.88
//   stable continental (SCR-GENERIC)      a = -2.85  p = 0.73
// Not Reasenberg & Jones's 1989 California values (a = -1.67, p = 1.08, c = 0.05), which give several times
// the rates these regions show.
ReasenbergJones GenericParameters(TectonicRegime regime);

// The regime of a quake, as far as its place and depth tell it: below 40 km it is taken for a subduction
// zone's slab, in the stable continental crust (shaking/intensity's map) for a stable continent, else for
// active shallow crust. A shallow subduction interface quake is taken for active crust; the two sets of
// parameters differ little within a week.
TectonicRegime RegimeAt(double latitude, double longitude, double depthKm);

// How many aftershocks of `minMagnitude` or more are expected between `fromDays` and `toDays` after the main
// shock (0 when the span is empty or not a number).
double ExpectedAftershocks(const ReasenbergJones& k, double mainMagnitude, double minMagnitude, double fromDays,
                           double toDays);
// The chance (0..1) of at least one of them: 1 - exp(-N) for a Poisson count.
double AftershockChance(const ReasenbergJones& k, double mainMagnitude, double minMagnitude, double fromDays,
                        double toDays);

// The days a forecast covers, and the floor of its second magnitude.
inline constexpr double kForecastDays = 7.0;
inline constexpr double kForecastMinMagnitude = 5.0;

// The chances of an aftershock of M 5 or more, and of the main shock's magnitude or more, in the next week.
struct AftershockOutlook {
    double chanceM5 = 0.0;
    double chanceMain = 0.0;
};
AftershockOutlook GenericOutlook(double mainMagnitude, double latitude, double longitude, double depthKm,
                                 std::int64_t mainOriginUtcMs, std::int64_t nowUtcMs);

}  // namespace dravik
