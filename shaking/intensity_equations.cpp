#include "shaking/intensity_equations.h"

#include <algorithm>
#include <cmath>

namespace dravik {
namespace {

// No larger quake has been recorded (Valdivia 1960); beyond it the equations only extrapolate, and
// Allen, Wald & Worden's would start to rise past 50 km from about M 9.6.
constexpr double kMaxMagnitude = 9.5;
// Half the Earth's circumference with the deepest quakes' depth: no place lies farther.
constexpr double kFarthestKm = 20100.0;

// Allen, T. I., Wald, D. J. & Worden, C. B. (2012), "Intensity attenuation for active crustal regions",
// J. Seismol. 16:409-433, the hypocentral-distance form (their table of coefficients for R_hyp), no site term.
double Aww2012(double m, double r) {
    constexpr double c0 = 2.085, c1 = 1.428, c2 = -1.402, c4 = 0.078, m1 = -0.209, m2 = 2.042;
    const double rm = m1 + m2 * std::exp(m - 5.0);
    double i = c0 + c1 * m + c2 * std::log(std::sqrt(r * r + rm * rm));
    if (r > 50.0) {
        i += c4 * std::log(r / 50.0);
    }
    return i;
}

// Atkinson, G. M. & Wald, D. J. (2007), "'Did You Feel It?' intensity data: a surprisingly good measure of
// earthquake ground motion", Seismol. Res. Lett. 78:362-368, the central and eastern United States coefficients.
double Aw2007Ceus(double m, double r) {
    constexpr double c1 = 11.72, c2 = 2.36, c3 = 0.1155, c4 = -0.44, c5 = -0.002044, c6 = 2.31, c7 = -0.479;
    constexpr double h = 17.0, rt = 80.0;
    const double big = std::sqrt(r * r + h * h);
    const double b = std::max(0.0, std::log10(big / rt));
    const double dm = m - 6.0;
    return c1 + c2 * dm + c3 * dm * dm + c4 * std::log10(big) + c5 * big + c6 * b + c7 * m * std::log10(big);
}

// Atkinson, G. M., Worden, C. B. & Wald, D. J. (2014), "Intensity prediction equations for North America",
// Bull. Seismol. Soc. Am. 104(6):3084-3093: the equation as fitted, and its eastern North America correction
// 0.7 + 0.001 R_hyp + 0.8 log10(R_hyp / 50) between 50 and 150 km (held at its 150 km value beyond).
double Aww2014(double m, double r, bool easternNorthAmerica) {
    constexpr double c1 = 0.309, c2 = 1.864, c3 = -1.672, c4 = -0.00219, c5 = 1.77, c6 = -0.383;
    constexpr double h = 14.0;
    const double big = std::sqrt(r * r + h * h);
    const double b = std::max(0.0, std::log10(big / 50.0));
    double i = c1 + c2 * m + c3 * std::log10(big) + c4 * big + c5 * b + c6 * m * std::log10(big);
    if (easternNorthAmerica) {
        i += 0.7 + 0.001 * r;
        if (r > 50.0) {
            i += 0.8 * std::log10(std::min(r, 150.0) / 50.0);
        }
    }
    return i;
}

// Where an equation's form changes (a term starts or stops): between them its slope is a sum of terms in 1/R
// and constants that changes sign at most once, from rising to falling, so the lowest value up to a distance
// lies at that distance or at one of these. intensity_test walks every magnitude and distance to hold us to it.
struct Breaks {
    double at[4] = {};
    int count = 0;
};

Breaks BreakpointsOf(IntensityEquation equation) {
    switch (equation) {
        case IntensityEquation::Aww2012:
            return {{50.0}, 1};
        case IntensityEquation::Aw2007Ceus:
            return {{std::sqrt(80.0 * 80.0 - 17.0 * 17.0)}, 1};  // where R = 80 km with h = 17 km
        case IntensityEquation::Aww2014:
            return {{0.0, 48.0}, 2};  // 48 km: where R = 50 km with h = 14 km
        case IntensityEquation::Aww2014Ena:
            return {{0.0, 48.0, 50.0, 150.0}, 4};
    }
    return {};
}

}  // namespace

double RawIntensity(IntensityEquation equation, double magnitude, double hypocentralKm) {
    switch (equation) {
        case IntensityEquation::Aww2012:
            return Aww2012(magnitude, hypocentralKm);
        case IntensityEquation::Aw2007Ceus:
            return Aw2007Ceus(magnitude, hypocentralKm);
        case IntensityEquation::Aww2014:
            return Aww2014(magnitude, hypocentralKm, false);
        case IntensityEquation::Aww2014Ena:
            return Aww2014(magnitude, hypocentralKm, true);
    }
    return 1.0;
}

double HeldIntensity(IntensityEquation equation, double magnitude, double hypocentralKm) {
    if (!std::isfinite(magnitude) || std::isnan(hypocentralKm)) {
        return 1.0;
    }
    const double m = std::clamp(magnitude, 0.0, kMaxMagnitude);
    const double r = std::clamp(hypocentralKm, 0.0, kFarthestKm);
    double i = RawIntensity(equation, m, r);
    // Shaking that grows again farther out (the Moho bounce terms of the stable forms, at small magnitudes)
    // would make a farther place alert while a nearer one does not: hold the value at its lowest so far.
    const Breaks breaks = BreakpointsOf(equation);
    for (int k = 0; k < breaks.count && breaks.at[k] < r; ++k) {
        i = std::min(i, RawIntensity(equation, m, breaks.at[k]));
    }
    return std::clamp(i, 1.0, 12.0);
}

double Aww2012Sigma(double hypocentralKm) {
    constexpr double s1 = 0.82, s2 = 0.37, s3 = 22.9;
    const double q = std::max(hypocentralKm, 0.0) / s3;
    return s1 + s2 / (1.0 + q * q);
}

}  // namespace dravik
