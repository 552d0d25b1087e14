#pragma once

#include <string>
#include <vector>

#include "sources/geo.h"

// "Which quakes could I have felt": the expected shaking of archived quakes at the user's places, and the SQL
// prefilter that keeps a long range's query quick. Plain C++, no Qt.
namespace dravik {

// The places the filter measures from: those with finite coordinates on the globe, in their order.
std::vector<Place> PlacesOnTheGlobe(const std::vector<Place>& places);

// The strongest expected level (1..12) of an archived quake at any of the places, from the row's texts as
// the alert rule reads them (depth unknown: 10 km); 0 when the magnitude or the position does not read, or
// there is no place.
int StrongestLevel(const std::string& mag, const std::string& wsp1, const std::string& wsp2, const std::string& depth,
                   const std::vector<Place>& places);

// The prefilter's magnitude steps: a quake of magnitude in [fromMagnitude, fromMagnitude + kReachStep) can
// reach the level only within reachKm of its epicentre, whatever its depth and crust (everywhere: no bound).
inline constexpr double kReachStep = 0.5;
inline constexpr double kLowestStepMagnitude = -2.0;
inline constexpr double kHighestStepMagnitude = 10.0;  // steps end here; beyond, no bound
struct ReachStep {
    double fromMagnitude = 0.0;
    double reachKm = 0.0;
    bool everywhere = false;
};
std::vector<ReachStep> ReachSteps(int level);

// A latitude/longitude box in degrees, edges included.
struct GeoBox {
    double south = -90.0;
    double north = 90.0;
    double west = -180.0;
    double east = 180.0;
};

// Boxes that hold every point within `km` of the place on the sphere of GreatCircleKm: one, or two where it
// crosses the antimeridian; one whole-globe box when it reaches a pole's longitudes or farther.
std::vector<GeoBox> BoxesAround(const Place& place, double km);

// The condition on trze's mag, wsp1 and wsp2 columns that every quake whose expected level at one of the
// places reaches `level` meets (and most others do not): numbers only, written in the C form. "1" for a
// level of 1 or less, "0" without places.
std::string ShakingPrefilterSql(int level, const std::vector<Place>& places);

}  // namespace dravik
