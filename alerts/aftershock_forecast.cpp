#include "alerts/aftershock_forecast.h"

#include <algorithm>
#include <cmath>

#include "shaking/intensity.h"

namespace dravik {
namespace {

constexpr double kSlabDepthKm = 40.0;
constexpr double kDayMs = 86400000.0;

// The integral of (t + c)^-p from t1 to t2.
double OmoriIntegral(double p, double c, double t1, double t2) {
    if (std::fabs(p - 1.0) < 1e-9) {
        return std::log((t2 + c) / (t1 + c));
    }
    return (std::pow(t2 + c, 1.0 - p) - std::pow(t1 + c, 1.0 - p)) / (1.0 - p);
}

}  // namespace

ReasenbergJones GenericParameters(TectonicRegime regime) {
    switch (regime) {
        case TectonicRegime::Subduction:
            return {-2.47, 1.0, 0.88, 0.018};
        case TectonicRegime::StableContinent:
            return {-2.85, 1.0, 0.73, 0.018};
        case TectonicRegime::ActiveShallowCrust:
        default:
            return {-2.42, 1.0, 0.98, 0.018};
    }
}

TectonicRegime RegimeAt(double latitude, double longitude, double depthKm) {
    if (depthKm > kSlabDepthKm) {
        return TectonicRegime::Subduction;
    }
    return CrustAt(latitude, longitude) == CrustKind::Stable ? TectonicRegime::StableContinent
                                                             : TectonicRegime::ActiveShallowCrust;
}

double ExpectedAftershocks(const ReasenbergJones& k, double mainMagnitude, double minMagnitude, double fromDays,
                           double toDays) {
    const double from = std::max(0.0, fromDays);
    if (!std::isfinite(from) || !std::isfinite(toDays) || !std::isfinite(mainMagnitude) ||
        !std::isfinite(minMagnitude) || toDays <= from || k.c <= 0.0) {
        return 0.0;
    }
    const double productivity = std::pow(10.0, k.a + k.b * (mainMagnitude - minMagnitude));
    return productivity * OmoriIntegral(k.p, k.c, from, toDays);
}

double AftershockChance(const ReasenbergJones& k, double mainMagnitude, double minMagnitude, double fromDays,
                        double toDays) {
    return 1.0 - std::exp(-ExpectedAftershocks(k, mainMagnitude, minMagnitude, fromDays, toDays));
}

AftershockOutlook GenericOutlook(double mainMagnitude, double latitude, double longitude, double depthKm,
                                 std::int64_t mainOriginUtcMs, std::int64_t nowUtcMs) {
    const ReasenbergJones k = GenericParameters(RegimeAt(latitude, longitude, depthKm));
    const double from = std::max(0.0, static_cast<double>(nowUtcMs - mainOriginUtcMs) / kDayMs);
    const double to = from + kForecastDays;
    AftershockOutlook out;
    out.chanceM5 = AftershockChance(k, mainMagnitude, kForecastMinMagnitude, from, to);
    out.chanceMain = AftershockChance(k, mainMagnitude, mainMagnitude, from, to);
    return out;
}

}  // namespace dravik
