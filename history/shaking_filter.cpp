#include "history/shaking_filter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <mutex>

#include "shaking/intensity.h"
#include "sources/quake_parser.h"

namespace dravik {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegrees = 180.0 / kPi;
constexpr double kAntipodeKm = kPi * kEarthRadiusKm;
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Magnitudes are sampled this finely, and each step also takes its neighbours' samples, so that a reach that
// peaks between two samples or at a step's edge is still covered.
constexpr double kMagnitudeSample = 0.05;
// Slack on every box for the rounding of the distance and of the texts' numbers, far below any reach that
// matters.
constexpr double kMarginKm = 1.0;

// The distances scanned for the farthest reach: 0, then from 0.25 km growing by 1 % to past the antipode.
const std::vector<double>& SampleDistances() {
    static const std::vector<double> distances = [] {
        std::vector<double> d{0.0};
        for (double r = 0.25; d.back() < kAntipodeKm; r *= 1.01) {
            d.push_back(r);
        }
        return d;
    }();
    return distances;
}

// The farthest epicentral distance at which a quake of magnitude m at depth 0 reaches the level in either
// crust; infinite past the antipode. ReachKm halves an interval, which assumes the shaking falls with distance;
// the equations do not always do that (old crust's at small magnitudes grows past 80 km), so the samples are
// scanned from the far end as well. Depth 0 bounds every depth: a depth only lengthens the way to the place.
double OuterReachKm(double magnitude, int level) {
    const double wanted = level - 0.5;
    const std::vector<double>& r = SampleDistances();
    double reach = 0.0;
    for (const CrustKind crust : {CrustKind::Active, CrustKind::Stable}) {
        reach = std::max(reach, ReachKm(magnitude, 0.0, level, crust));
        for (std::size_t i = r.size(); i-- > 0;) {
            if (ExpectedIntensity(magnitude, 0.0, r[i], crust) >= wanted) {
                reach = std::max(reach, i + 1 < r.size() ? r[i + 1] : kInfinity);
                break;
            }
        }
    }
    return reach;
}

// A number as SQLite reads it, whatever the process's locale: the shortest text that reads back the same.
std::string SqlNumber(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string BoxCondition(const GeoBox& box) {
    return "(CAST(wsp1 AS REAL) BETWEEN " + SqlNumber(box.south) + " AND " + SqlNumber(box.north) +
           " AND CAST(wsp2 AS REAL) BETWEEN " + SqlNumber(box.west) + " AND " + SqlNumber(box.east) + ")";
}

bool WholeGlobe(const GeoBox& box) {
    return box.south <= -90.0 && box.north >= 90.0 && box.west <= -180.0 && box.east >= 180.0;
}

}  // namespace

std::vector<Place> PlacesOnTheGlobe(const std::vector<Place>& places) {
    std::vector<Place> kept;
    for (const Place& p : places) {
        if (std::isfinite(p.latitude) && std::isfinite(p.longitude) && std::fabs(p.latitude) <= 90.0 &&
            std::fabs(p.longitude) <= 180.0) {
            kept.push_back(p);
        }
    }
    return kept;
}

int StrongestLevel(const std::string& mag, const std::string& wsp1, const std::string& wsp2, const std::string& depth,
                   const std::vector<Place>& places) {
    QuakeEvent event;
    event.mag = mag;
    event.wsp1 = wsp1;
    event.wsp2 = wsp2;
    event.depth = depth;
    const std::vector<PlaceShaking> shaking = ShakingAtPlaces(event, places);
    return shaking.empty() ? 0 : shaking.front().level;
}

namespace {

std::vector<ReachStep> ComputeReachSteps(int level) {
    const int samplesPerStep = static_cast<int>(std::lround(kReachStep / kMagnitudeSample));
    const int steps = static_cast<int>(std::lround((kHighestStepMagnitude - kLowestStepMagnitude) / kReachStep));
    // Sample j stands at kLowestStepMagnitude + (j - 1) * kMagnitudeSample, one below the first step's start.
    std::vector<double> sampled(static_cast<std::size_t>(steps * samplesPerStep + 3));
    for (std::size_t j = 0; j < sampled.size(); ++j) {
        sampled[j] = OuterReachKm(kLowestStepMagnitude + (static_cast<double>(j) - 1.0) * kMagnitudeSample, level);
    }
    std::vector<ReachStep> out;
    out.reserve(static_cast<std::size_t>(steps));
    for (int s = 0; s < steps; ++s) {
        const auto first = sampled.begin() + s * samplesPerStep;
        const double reach = *std::max_element(first, first + samplesPerStep + 3);
        ReachStep step;
        step.fromMagnitude = kLowestStepMagnitude + s * kReachStep;
        step.everywhere = !(reach < kAntipodeKm);
        step.reachKm = step.everywhere ? kAntipodeKm : reach;
        out.push_back(step);
    }
    return out;
}

}  // namespace

std::vector<ReachStep> ReachSteps(int level) {
    // A few hundred thousand evaluations of the equations a level: made once, for any thread that asks.
    static std::mutex mutex;
    static std::map<int, std::vector<ReachStep>> made;
    const std::lock_guard<std::mutex> lock(mutex);
    auto it = made.find(level);
    if (it == made.end()) {
        it = made.emplace(level, ComputeReachSteps(level)).first;
    }
    return it->second;
}

std::vector<GeoBox> BoxesAround(const Place& place, double km) {
    const double radius = std::max(km, 0.0) / kEarthRadiusKm;
    if (!(radius < kPi)) {
        return {GeoBox{}};
    }
    const double lat = place.latitude / kDegrees;
    GeoBox band;
    band.south = (lat - radius) * kDegrees;
    band.north = (lat + radius) * kDegrees;
    // A circle over a pole takes every longitude.
    if (band.north >= 90.0 || band.south <= -90.0) {
        band.south = std::max(band.south, -90.0);
        band.north = std::min(band.north, 90.0);
        return {band};
    }
    // The circle's widest longitudes (its tangents through the poles), here no farther than 90 degrees away.
    const double reach = std::asin(std::min(1.0, std::sin(radius) / std::cos(lat))) * kDegrees;
    band.west = place.longitude - reach;
    band.east = place.longitude + reach;
    if (band.west < -180.0) {
        GeoBox across = band;
        across.west = band.west + 360.0;
        across.east = 180.0;
        band.west = -180.0;
        return {band, across};
    }
    if (band.east > 180.0) {
        GeoBox across = band;
        across.west = -180.0;
        across.east = band.east - 360.0;
        band.east = 180.0;
        return {band, across};
    }
    return {band};
}

std::string ShakingPrefilterSql(int level, const std::vector<Place>& places) {
    if (level <= kMinIntensity) {
        return "1";
    }
    const std::vector<Place> onGlobe = PlacesOnTheGlobe(places);
    if (onGlobe.empty()) {
        return "0";
    }
    // One number per row picks its step: (mag + 10) * 2 truncated, which is the step's floor for any magnitude
    // above -10. Magnitudes below the first step or past the last, and texts no number starts, go to the exact
    // test unbounded.
    constexpr double kOffset = 10.0;
    const double perMagnitude = 1.0 / kReachStep;
    std::string sql =
        "CASE CAST((CAST(mag AS REAL)+" + SqlNumber(kOffset) + ")*" + SqlNumber(perMagnitude) + " AS INTEGER)";
    for (const ReachStep& step : ReachSteps(level)) {
        const long index = std::lround((step.fromMagnitude + kOffset) * perMagnitude);
        std::string condition;
        if (step.everywhere) {
            condition = "1";
        } else if (step.reachKm <= 0.0) {
            condition = "0";
        } else {
            for (const Place& place : onGlobe) {
                for (const GeoBox& box : BoxesAround(place, step.reachKm + kMarginKm)) {
                    if (WholeGlobe(box)) {
                        condition = "1";
                        break;
                    }
                    condition += (condition.empty() ? "" : " OR ") + BoxCondition(box);
                }
                if (condition == "1") {
                    break;
                }
            }
        }
        sql += " WHEN " + std::to_string(index) + " THEN " + condition;
    }
    return sql + " ELSE 1 END";
}

}  // namespace dravik
