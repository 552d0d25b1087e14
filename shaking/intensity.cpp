#include "shaking/intensity.h"

#include <algorithm>
#include <cmath>

#include "shaking/intensity_equations.h"
#include "shaking/measured_shaking.h"
#include "shaking/rupture_distance.h"
#include "sources/event_numbers.h"

namespace dravik {
namespace {

// Half the Earth's circumference: no place is farther from an epicentre.
constexpr double kFarthestPlaceKm = 20016.0;

// What the agency measured at the place goes before the expectation: ShakeMap (which has the felt reports and
// the stations in it), else the felt reports of the place's cell.
void MeasuredAt(const QuakeProducts& measured, const Place& place, PlaceShaking& s) {
    const auto contour = ContourIntensityAt(measured.contours, place.latitude, place.longitude);
    const FeltCell* cell = FeltCellAt(measured.feltCells, place.latitude, place.longitude);
    if (cell != nullptr) {
        s.feltLevel = IntensityLevel(cell->intensity);
        s.feltReports = cell->reports;
    }
    if (contour) {
        s.intensity = *contour;
        s.shakeMapLevel = s.level = IntensityLevel(*contour);
    } else if (cell != nullptr) {
        s.intensity = cell->intensity;
        s.level = s.feltLevel;
    }
}

}  // namespace

double ActiveCrustIntensity(double magnitude, double hypocentralKm) {
    return HeldIntensity(kActiveCrustEquation, magnitude, hypocentralKm);
}

double StableCrustIntensity(double magnitude, double hypocentralKm) {
    return HeldIntensity(kStableCrustEquation, magnitude, hypocentralKm);
}

double ExpectedIntensity(double magnitude, double depthKm, double epicentralKm, CrustKind crust) {
    if (std::isnan(epicentralKm)) {
        return 1.0;  // a place we cannot place is not said to shake
    }
    const double depth = std::isfinite(depthKm) ? std::max(depthKm, 0.0) : kUnknownDepthKm;
    // A large quake's rupture runs past the epicentre, of a strike we do not know: its mean distance.
    return IntensityAtDistance(magnitude, std::hypot(MeanRuptureDistanceKm(magnitude, epicentralKm), depth), crust);
}

double IntensityAtDistance(double magnitude, double distanceKm, CrustKind crust) {
    return crust == CrustKind::Stable ? StableCrustIntensity(magnitude, distanceKm)
                                      : ActiveCrustIntensity(magnitude, distanceKm);
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
    // The level is reached where the expected intensity rounds to it: from half a level below. The intensity
    // never rises with distance, so the places that reach it form one disc and halving finds its edge.
    const double wanted = level - 0.5;
    if (ExpectedIntensity(magnitude, depthKm, 0.0, crust) < wanted) {
        return 0.0;
    }
    double lo = 0.0, hi = kFarthestPlaceKm;
    if (ExpectedIntensity(magnitude, depthKm, hi, crust) >= wanted) {
        return hi;
    }
    // 22 halvings bring 20,000 km to 5 m: a circle on the map needs no finer, and a call stays near a microsecond.
    for (int i = 0; i < 22; ++i) {
        const double mid = (lo + hi) / 2.0;
        (ExpectedIntensity(magnitude, depthKm, mid, crust) >= wanted ? lo : hi) = mid;
    }
    return lo;
}

double DepthKmOf(const QuakeEvent& event) {
    double depth = 0.0;
    if (!ReadDecimal(event.depth, &depth) || !(depth >= -10.0 && depth <= 1000.0)) {
        return kUnknownDepthKm;
    }
    // Sources give a focus above sea level (a volcano's flank) as a small negative depth.
    return std::max(depth, 0.0);
}

std::vector<PlaceShaking> ShakingAtPlaces(double magnitude, double depthKm, double latitude, double longitude,
                                          const std::vector<Place>& places, const QuakeProducts* measured) {
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
        if (measured != nullptr && !measured->rupture.empty()) {
            if (const auto km = RuptureDistanceKm(measured->rupture, places[i].latitude, places[i].longitude)) {
                s.intensity = IntensityAtDistance(magnitude, *km, crust);
                s.toRuptureModel = true;
            }
        }
        s.level = IntensityLevel(s.intensity);
        s.expectedIntensity = s.intensity;
        s.expectedLevel = s.level;
        if (measured != nullptr) {
            MeasuredAt(*measured, places[i], s);
        }
        out.push_back(s);
    }
    // A place whose distance is not a number (its coordinates were not) goes last, so the order stays strict.
    const auto key = [](const PlaceShaking& p) { return std::isnan(p.distanceKm) ? HUGE_VAL : p.distanceKm; };
    std::stable_sort(out.begin(), out.end(), [&key](const PlaceShaking& a, const PlaceShaking& b) {
        return a.level != b.level ? a.level > b.level : key(a) < key(b);
    });
    return out;
}

std::vector<PlaceShaking> ShakingAtPlaces(const QuakeEvent& event, const std::vector<Place>& places) {
    const EventNumbers n = NumbersOf(event);
    if (!n.hasMagnitude || !n.hasPosition) {
        return {};
    }
    return ShakingAtPlaces(n.magnitude, DepthKmOf(event), n.latitude, n.longitude, places, event.measured.get());
}

}  // namespace dravik
