#include "shaking/rupture_distance.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace dravik {
namespace {

constexpr double kPi = 3.14159265358979323846;

// The mean distance scales with the rupture's length: tabulated once as a function of x = R / L on a grid
// that is finest near the rupture, where the distance departs most from R.
constexpr int kGridSteps = 400;
constexpr double kGridEnd = 50.0;  // beyond 50 lengths the mean is R - L / pi to 1e-4 L
constexpr int kStrikes = 90;       // over a quarter turn: the other three mirror it
constexpr int kPlaces = 48;        // of the epicentre along the rupture

double GridX(int i) {
    const double s = static_cast<double>(i) / kGridSteps;
    return kGridEnd * s * s;
}

// The mean over strikes and epicentre places, in units of the rupture's length, for a place at x lengths.
double MeanDistanceInLengths(double x) {
    double sum = 0.0;
    for (int k = 0; k < kStrikes; ++k) {
        const double theta = (k + 0.5) * (kPi / 2.0) / kStrikes;
        const double c = std::cos(theta), s = std::sin(theta);
        for (int j = 0; j < kPlaces; ++j) {
            // The rupture runs from -a to 1 - a along (c, s) with the epicentre at 0; the place is at (x, 0).
            const double a = (j + 0.5) / kPlaces;
            const double t = std::clamp(x * c, -a, 1.0 - a);
            sum += std::hypot(x - t * c, t * s);
        }
    }
    return sum / (static_cast<double>(kStrikes) * kPlaces);
}

using Table = std::array<double, kGridSteps + 1>;

const Table& MeanTable() {
    static const Table table = [] {
        Table t{};
        for (int i = 0; i <= kGridSteps; ++i) {
            t[static_cast<std::size_t>(i)] = MeanDistanceInLengths(GridX(i));
        }
        // Sampling noise must not let the mean fall anywhere as the place moves away.
        for (std::size_t i = 1; i < t.size(); ++i) {
            t[i] = std::max(t[i], t[i - 1]);
        }
        return t;
    }();
    return table;
}

}  // namespace

double RuptureLengthKm(double magnitude) {
    const double m = std::clamp(std::isfinite(magnitude) ? magnitude : 0.0, 0.0, 9.5);
    return std::pow(10.0, -2.44 + 0.59 * m);
}

double MeanRuptureDistanceKm(double magnitude, double epicentralKm) {
    if (!(magnitude >= kRuptureFromMagnitude) || std::isnan(epicentralKm) || epicentralKm <= 0.0) {
        return std::isnan(epicentralKm) ? epicentralKm : std::max(epicentralKm, 0.0);
    }
    const double length = RuptureLengthKm(magnitude);
    const double x = epicentralKm / length;
    const Table& table = MeanTable();
    double mean = 0.0;
    if (x >= kGridEnd) {
        mean = x - (kGridEnd - table.back());
    } else {
        const double pos = std::sqrt(x / kGridEnd) * kGridSteps;
        const int i = std::min(static_cast<int>(pos), kGridSteps - 1);
        const double x0 = GridX(i), x1 = GridX(i + 1);
        const double w = (x - x0) / (x1 - x0);
        const auto k = static_cast<std::size_t>(i);
        mean = table[k] + std::clamp(w, 0.0, 1.0) * (table[k + 1] - table[k]);
    }
    return std::min(mean * length, epicentralKm);
}

}  // namespace dravik
