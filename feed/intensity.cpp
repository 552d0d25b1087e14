#include "feed/intensity.h"

#include <algorithm>
#include <cmath>

#include "feed/alert_rule.h"

namespace dravik {
// Allen, Wald & Worden (2012), "Intensity attenuation for active crustal regions", J. Seismol. 16:409-433,
// the hypocentral-distance form.
double ActiveCrustIntensity(double magnitude, double hypocentralKm) {
    constexpr double c0 = 2.085, c1 = 1.428, c2 = -1.402, c4 = 0.078, m1 = -0.209, m2 = 2.042;
    const double r = std::max(hypocentralKm, 0.0);
    const double rm = m1 + m2 * std::exp(magnitude - 5.0);
    double i = c0 + c1 * magnitude + c2 * std::log(std::sqrt(r * r + rm * rm));
    if (r > 50.0) {
        i += c4 * std::log(r / 50.0);
    }
    return std::clamp(i, 1.0, 12.0);
}

// Atkinson & Wald (2007), "'Did You Feel It?' intensity data: a surprisingly good measure of earthquake
// ground motion", Seismol. Res. Lett. 78:362-368, the central and eastern United States coefficients.
double StableCrustIntensity(double magnitude, double hypocentralKm) {
    constexpr double c1 = 11.72, c2 = 2.36, c3 = 0.1155, c4 = -0.44, c5 = -0.002044, c6 = 2.31, c7 = -0.479;
    constexpr double h = 17.0, rt = 80.0;
    const double d = std::max(hypocentralKm, 0.0);
    const double r = std::sqrt(d * d + h * h);
    const double b = std::max(0.0, std::log10(r / rt));
    const double m = magnitude - 6.0;
    const double i = c1 + c2 * m + c3 * m * m + c4 * std::log10(r) + c5 * r + c6 * b + c7 * magnitude * std::log10(r);
    return std::clamp(i, 1.0, 12.0);
}

double ExpectedIntensity(double magnitude, double depthKm, double epicentralKm, CrustKind crust) {
    const double depth = std::max(depthKm, 0.0);
    const double r = std::sqrt(epicentralKm * epicentralKm + depth * depth);
    return crust == CrustKind::Stable ? StableCrustIntensity(magnitude, r) : ActiveCrustIntensity(magnitude, r);
}

int IntensityLevel(double intensity) {
    if (!std::isfinite(intensity)) {
        return kMinIntensity;
    }
    return std::clamp(static_cast<int>(std::floor(intensity + 0.5)), kMinIntensity, kMaxIntensity);
}

std::string RomanNumeral(int level) {
    static const char* const kNumerals[] = {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X", "XI", "XII"};
    if (level < kMinIntensity || level > kMaxIntensity) {
        return {};
    }
    return kNumerals[level - 1];
}

std::uint32_t IntensityColour(int level) {
    // ShakeMap's intensity scale.
    static const std::uint32_t kColours[] = {0xFFFFFF, 0xBFCCFF, 0xA0E6FF, 0x80FFFF, 0x7AFF93, 0xFFFF00,
                                             0xFFC800, 0xFF9100, 0xFF0000, 0xC80000, 0xC80000, 0xC80000};
    return kColours[std::clamp(level, kMinIntensity, kMaxIntensity) - 1];
}

double ReachKm(double magnitude, double depthKm, int level, CrustKind crust) {
    // The level is reached where the expected intensity rounds to it: from half a level below.
    const double wanted = level - 0.5;
    if (ExpectedIntensity(magnitude, depthKm, 0.0, crust) < wanted) {
        return 0.0;
    }
    double lo = 0.0, hi = 20000.0;
    if (ExpectedIntensity(magnitude, depthKm, hi, crust) >= wanted) {
        return hi;
    }
    for (int i = 0; i < 60; ++i) {
        const double mid = (lo + hi) / 2.0;
        (ExpectedIntensity(magnitude, depthKm, mid, crust) >= wanted ? lo : hi) = mid;
    }
    return lo;
}

double DepthKmOf(const QuakeEvent& event) {
    double depth = 0.0;
    if (ReadDecimal(event.depth, &depth) && depth >= 0.0 && depth <= 1000.0) {
        return depth;
    }
    return kUnknownDepthKm;
}

std::vector<PlaceShaking> ShakingAtPlaces(double magnitude, double depthKm, double latitude, double longitude,
                                          const std::vector<Place>& places) {
    std::vector<PlaceShaking> out;
    if (!std::isfinite(magnitude) || !std::isfinite(latitude) || !std::isfinite(longitude)) {
        return out;
    }
    const CrustKind crust = CrustAt(latitude, longitude);
    out.reserve(places.size());
    for (std::size_t i = 0; i < places.size(); ++i) {
        PlaceShaking s;
        s.place = i;
        s.distanceKm = GreatCircleKm(latitude, longitude, places[i].latitude, places[i].longitude);
        s.bearingDeg = InitialBearingDeg(places[i].latitude, places[i].longitude, latitude, longitude);
        s.intensity = ExpectedIntensity(magnitude, depthKm, s.distanceKm, crust);
        s.level = IntensityLevel(s.intensity);
        out.push_back(s);
    }
    std::stable_sort(out.begin(), out.end(), [](const PlaceShaking& a, const PlaceShaking& b) {
        return a.level != b.level ? a.level > b.level : a.distanceKm < b.distanceKm;
    });
    return out;
}

std::vector<PlaceShaking> ShakingAtPlaces(const QuakeEvent& event, const std::vector<Place>& places) {
    const EventNumbers n = NumbersOf(event);
    if (!n.hasMagnitude || !n.hasPosition) {
        return {};
    }
    return ShakingAtPlaces(n.magnitude, DepthKmOf(event), n.latitude, n.longitude, places);
}

}  // namespace dravik
